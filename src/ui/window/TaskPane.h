#pragma once
// The task pane on the left of the main window: groups of clickable steps, each item known by
// its key ("sites", "report", ...). Items come and go as the analysis steps are reached; their
// order inside a group stays the same whatever order they were added in.
#include <QFrame>
#include <QString>
#include <QStringList>
#include <map>

class QAbstractButton;
class QLabel;
class QVBoxLayout;

namespace trevix::ui {

class TaskPane : public QFrame {
    Q_OBJECT
public:
    explicit TaskPane(QWidget* parent = nullptr);

    // A group with its caption and the keys of the items it may hold, in their order.
    void AddGroup(const QString& key, const QString& caption, const QStringList& itemOrder);
    // Adds an item when missing (true when it was added).
    bool AddItem(const QString& groupKey, const QString& key, const QString& caption,
                 const QString& shortcutHint = {});
    bool RemoveItem(const QString& key);
    bool HasItem(const QString& key) const { return items_.count(key) != 0; }
    // The item's button (nullptr when absent): tests click it, the window enables it.
    QAbstractButton* Item(const QString& key) const;
    // Keys of the items of a group, top to bottom.
    QStringList Items(const QString& groupKey) const;
    // The one highlighted item; an empty key highlights none.
    void Highlight(const QString& key);
    QString Highlighted() const { return highlighted_; }
    // The text shown in the help group.
    void SetHelpText(const QString& text);
    QString HelpText() const;
    // Item clicks are ignored while disabled (work in progress).
    void SetItemsEnabled(bool enabled);

signals:
    void ItemClicked(const QString& key);

private:
    struct Group {
        QVBoxLayout* Layout = nullptr;
        QStringList Order;
    };
    std::map<QString, Group> groups_;
    std::map<QString, QAbstractButton*> items_;
    std::map<QString, QString> groupOfItem_;
    QVBoxLayout* layout_;
    QLabel* help_ = nullptr;
    QString highlighted_;
    bool enabled_ = true;
};

} // namespace trevix::ui
