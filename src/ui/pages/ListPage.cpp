#include "pages/ListPage.h"

#include "views/ReportListView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevix::ui {

ListPage::ListPage(const QString& caption, int listNum, const std::function<ReportListView*(int, QWidget*)>& makeList,
                   const QString& buttonText, const QString& buttonName, QWidget* parent)
    : QWidget(parent) {
    auto* l = new QVBoxLayout(this);
    l->addWidget(new QLabel(caption, this));
    l->addWidget(makeList(listNum, this), 1);
    if (buttonText.isEmpty()) return;
    button_ = new QPushButton(buttonText, this);
    button_->setObjectName(buttonName);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button_);
    l->addLayout(row);
}

} // namespace trevix::ui
