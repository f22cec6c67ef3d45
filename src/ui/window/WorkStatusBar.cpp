#include "window/WorkStatusBar.h"

#include "window/GuiRunHost.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

namespace trevix::ui {

WorkStatusBar::WorkStatusBar(QMainWindow* window, GuiRunHost& host) : QObject(window) {
    QStatusBar* bar = window->statusBar();
    bar->setObjectName("StatusBar");
    status_ = new QLabel(window);
    status_->setObjectName("lblStatus");
    status_->setTextFormat(Qt::PlainText);
    bar->addWidget(status_, 1);
    progress_ = new QProgressBar(window);
    progress_->setObjectName("Progress");
    progress_->setMaximumWidth(220);
    progress_->setVisible(false);
    bar->addPermanentWidget(progress_);
    butCancel_ = new QPushButton("Cancel", window);
    butCancel_->setObjectName("butCancel");
    butCancel_->setVisible(false);
    connect(butCancel_, &QPushButton::clicked, this, &WorkStatusBar::CancelClicked);
    bar->addPermanentWidget(butCancel_);

    connect(&host, &GuiRunHost::ProgressChanged, this, [this](int value, int maximum) {
        progress_->setMaximum(std::max(1, maximum));
        progress_->setValue(value);
    });
    connect(&host, &GuiRunHost::ProgressVisibleChanged, this, [this](bool visible) {
        progress_->setVisible(visible);
        butCancel_->setVisible(visible);
    });
}

void WorkStatusBar::SetText(const QString& text) {
    status_->setText(text);
    status_->repaint();
}

QString WorkStatusBar::Text() const {
    return status_->text();
}

void WorkStatusBar::HideProgress() {
    progress_->setVisible(false);
    butCancel_->setVisible(false);
}

} // namespace trevix::ui
