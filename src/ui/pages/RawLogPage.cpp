#include "pages/RawLogPage.h"

#include "common/Prompter.h"
#include "views/RawLogView.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace trevix::ui {

namespace {
const QString FindNextCaption = "&Find next...";
const QString SearchPrompt = "Enter search text...";
} // namespace

RawLogPage::RawLogPage(QWidget* parent) : QWidget(parent) {
    auto* l = new QVBoxLayout(this);
    lblRawLog_ = new QLabel("Raw log file:", this);
    lblRawLog_->setObjectName("lblRawLog");
    l->addWidget(lblRawLog_);
    txtRawLog_ = new RawLogView(this);
    txtRawLog_->setObjectName("txtRawLog");
    txtRawLog_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    l->addWidget(txtRawLog_, 1);
    auto* searchRow = new QHBoxLayout;
    txtSearchText_ = new QLineEdit(SearchPrompt, this);
    txtSearchText_->setObjectName("txtSearchText");
    txtSearchText_->installEventFilter(this);
    butSearch_ = new QPushButton("&Search", this);
    butSearch_->setObjectName("butSearch");
    searchRow->addWidget(txtSearchText_, 1);
    searchRow->addWidget(butSearch_);
    l->addLayout(searchRow);
    lblNoRawLog_ = new QLabel(
        "Raw Log is currently turned OFF.\n\nTo turn on the Show Raw Log feature, click Tools and then "
        "Options.\n\nNote that turning this feature on will make processing log files slower.",
        this);
    lblNoRawLog_->setObjectName("lblNoRawLog");
    lblNoRawLog_->setWordWrap(true);
    lblNoRawLog_->setAlignment(Qt::AlignCenter);
    l->addWidget(lblNoRawLog_, 1);
    // After an edit the next search starts again from the top.
    connect(txtSearchText_, &QLineEdit::textEdited, this, [this] { butSearch_->setText("&Search..."); });
    connect(txtSearchText_, &QLineEdit::returnPressed, this, &RawLogPage::SearchWanted);
    connect(butSearch_, &QPushButton::clicked, this, &RawLogPage::SearchWanted);
}

void RawLogPage::ShowRawLog(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{txtRawLog_, lblRawLog_, txtSearchText_, butSearch_})
        w->setVisible(on);
    lblNoRawLog_->setVisible(!on);
}

void RawLogPage::SetText(std::string_view text) {
    txtRawLog_->SetText(text);
    butSearch_->setText("&Search");
}

void RawLogPage::Search() {
    const QString text = txtSearchText_->text();
    bool found;
    if (butSearch_->text() != FindNextCaption) {
        found = txtRawLog_->Find(text, true);
        butSearch_->setText(FindNextCaption);
    } else {
        found = txtRawLog_->Find(text, false);
    }
    if (!found) CurrentPrompter().Message(window(), MessageIcon::Information, "Trevix", "Can't find '" + text + "'");
}

void RawLogPage::FocusSearch() {
    txtSearchText_->setFocus();
    txtSearchText_->selectAll();
}

bool RawLogPage::SearchVisible() const { return butSearch_->isVisible(); }

void RawLogPage::SetSearchEnabled(bool enabled) {
    butSearch_->setEnabled(enabled);
    txtSearchText_->setEnabled(enabled);
}

void RawLogPage::SetSearchText(const QString& text) {
    txtSearchText_->setText(text);
    butSearch_->setText("&Search");
}

bool RawLogPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSearchText_ && event->type() == QEvent::FocusIn && txtSearchText_->text() == SearchPrompt) {
        QTimer::singleShot(0, txtSearchText_, &QLineEdit::selectAll);
        butSearch_->setDefault(true);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace trevix::ui
