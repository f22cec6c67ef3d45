#include "window/TaskPane.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevix::ui {

TaskPane::TaskPane(QWidget* parent) : QFrame(parent) {
    setObjectName("ExpBar");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // A shade of the window colour, so the sidebar stands apart in light and dark themes.
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::AlternateBase));
    setPalette(p);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(8, 8, 8, 8);
    layout_->setSpacing(4);
    layout_->addStretch(1);
}

void TaskPane::AddGroup(const QString& key, const QString& caption, const QStringList& itemOrder) {
    auto* title = new QLabel(caption, this);
    title->setObjectName("group_" + key);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* items = new QVBoxLayout;
    items->setContentsMargins(6, 0, 0, 8);
    items->setSpacing(2);
    const int at = layout_->count() - 1;   // before the stretch
    layout_->insertWidget(at, title);
    layout_->insertWidget(at + 1, line);
    layout_->insertLayout(at + 2, items);
    groups_[key] = {items, itemOrder};
    if (key == "help") {
        help_ = new QLabel(this);
        help_->setObjectName("helptext");
        help_->setWordWrap(true);
        help_->setTextFormat(Qt::PlainText);
        help_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        items->addWidget(help_);
        items_["helptext"] = nullptr;
        groupOfItem_["helptext"] = key;
    }
}

bool TaskPane::AddItem(const QString& groupKey, const QString& key, const QString& caption,
                       const QString& shortcutHint) {
    if (HasItem(key)) return false;
    auto g = groups_.find(groupKey);
    if (g == groups_.end()) return false;
    auto* button = new QPushButton(caption, this);
    button->setObjectName("task_" + key);
    button->setFlat(true);
    button->setCheckable(true);
    button->setAutoExclusive(false);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet("QPushButton { text-align: left; padding: 4px 8px; }");
    if (!shortcutHint.isEmpty()) button->setToolTip(shortcutHint);
    button->setEnabled(enabled_);
    connect(button, &QPushButton::clicked, this, [this, key, button] {
        button->setChecked(highlighted_ == key);
        if (enabled_) emit ItemClicked(key);
    });
    // Place it after the items that come before it in the group's order.
    const int rank = g->second.Order.indexOf(key);
    int index = 0;
    for (int i = 0; i < g->second.Layout->count(); ++i) {
        QWidget* w = g->second.Layout->itemAt(i)->widget();
        if (!w) continue;
        const int other = g->second.Order.indexOf(w->objectName().mid(5));
        if (other >= 0 && rank >= 0 && other < rank) index = i + 1;
    }
    g->second.Layout->insertWidget(index, button);
    items_[key] = button;
    groupOfItem_[key] = groupKey;
    return true;
}

bool TaskPane::RemoveItem(const QString& key) {
    auto it = items_.find(key);
    if (it == items_.end() || !it->second) return false;
    delete it->second;
    items_.erase(it);
    groupOfItem_.erase(key);
    if (highlighted_ == key) highlighted_.clear();
    return true;
}

QAbstractButton* TaskPane::Item(const QString& key) const {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : it->second;
}

QStringList TaskPane::Items(const QString& groupKey) const {
    QStringList keys;
    auto g = groups_.find(groupKey);
    if (g == groups_.end()) return keys;
    for (int i = 0; i < g->second.Layout->count(); ++i)
        if (QWidget* w = g->second.Layout->itemAt(i)->widget())
            keys << (w == help_ ? QString("helptext") : w->objectName().mid(5));
    return keys;
}

void TaskPane::Highlight(const QString& key) {
    if (auto* old = Item(highlighted_)) old->setChecked(false);
    highlighted_ = key;
    if (auto* item = Item(key)) item->setChecked(true);
}

void TaskPane::SetHelpText(const QString& text) {
    if (help_) help_->setText(text);
}

QString TaskPane::HelpText() const { return help_ ? help_->text() : QString(); }

void TaskPane::SetItemsEnabled(bool enabled) {
    enabled_ = enabled;
    for (auto& [key, button] : items_)
        if (button) button->setEnabled(enabled);
}

} // namespace trevix::ui
