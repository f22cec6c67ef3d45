#include "pages/ChoicePage.h"

#include "views/ReportListView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace trevix::ui {

ChoicePage::ChoicePage(const std::vector<Choice>& choices,
                       const std::function<ReportListView*(int, QWidget*)>& makeList, const QString& buttonText,
                       const QString& buttonName, int buttonWith, QWidget* parent)
    : QWidget(parent), buttonWith_(buttonWith) {
    auto* l = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("View by:", this));
    for (const Choice& c : choices) {
        auto* o = new QRadioButton(c.Text, this);
        o->setObjectName(c.Name);
        row->addWidget(o);
        options_.push_back(o);
    }
    row->addStretch(1);
    l->addLayout(row);
    for (const Choice& c : choices) {
        lists_.push_back(makeList(c.List, this));
        l->addWidget(lists_.back(), 1);
    }
    if (!buttonText.isEmpty()) {
        button_ = new QPushButton(buttonText, this);
        button_->setObjectName(buttonName);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(button_);
        l->addLayout(buttons);
    }
    for (size_t i = 0; i < options_.size(); ++i)
        connect(options_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on) return;
            chosen_ = static_cast<int>(i);
            ShowChosen();
        });
}

void ChoicePage::Choose(int index) {
    chosen_ = index;
    if (index < 0 || static_cast<size_t>(index) >= options_.size()) return;
    options_[static_cast<size_t>(index)]->setChecked(true);
    ShowChosen();
}

void ChoicePage::ShowChosen() {
    for (size_t i = 0; i < lists_.size(); ++i) lists_[i]->setVisible(static_cast<int>(i) == chosen_);
    if (button_) button_->setVisible(chosen_ == buttonWith_);
}

} // namespace trevix::ui
