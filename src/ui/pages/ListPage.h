#pragma once
// A report page of one list: its caption, the list and, on some pages, a button that opens
// a window on the list's current row ("&Details...", "&Visit URL", "&Referred by/to...").
#include <QWidget>
#include <functional>

class QPushButton;

namespace trevix::ui {

class ReportListView;

class ListPage : public QWidget {
    Q_OBJECT
public:
    // makeList builds the view of a list number on a parent; no button when buttonText is empty.
    ListPage(const QString& caption, int listNum, const std::function<ReportListView*(int, QWidget*)>& makeList,
             const QString& buttonText = {}, const QString& buttonName = {}, QWidget* parent = nullptr);

    QPushButton* Button() const { return button_; }

private:
    QPushButton* button_ = nullptr;
};

} // namespace trevix::ui
