#pragma once
// The steps that lead to a report: the task pane's items as each step is reached ("Open log
// files" and "Filter" once a site is chosen, "Show Report" and "Reset" once files are
// listed, "Update" while a shown report is out of date), the Back and Next arrows under the
// panels, and the help text.
#include <QObject>
#include <QString>
#include <array>
#include <functional>

class QPushButton;
class QWidget;

namespace trevix {
class Analyser;
}

namespace trevix::ui {

class TaskPane;

class Steps : public QObject {
    Q_OBJECT
public:
    // busy: while work runs the pane's items are disabled as they appear.
    Steps(const Analyser& a, std::function<bool()> busy, QWidget* window);

    TaskPane* Pane() const { return pane_; }
    // The row of Back and Next under panel index (0 sites .. 3 report).
    QWidget* Arrows(int index, bool back, bool forward, QWidget* parent);
    void SetForwardEnabled(int index, bool enabled);
    void SetBackEnabled(bool enabled);
    // Level 1..3 of the task pane.
    void Level(int level);
    // "Update" is offered only while a shown report is out of date.
    void ShowUpdate(bool visible);
    // The help text, with the note on the country report when the options ask for it.
    void ShowHelpText(const QString& text);
    void RefreshHelpText() { ShowHelpText(lastHelpText_); }
    // The help text of a panel: "sites", "logfiles", "filter", "report" or "ftp".
    void ShowStepHelp(const QString& panel);

signals:
    // A pane item or an arrow was clicked: "sites", "logfiles", "filter", "report", ...
    void TaskWanted(const QString& key);

private:
    const Analyser& a_;
    std::function<bool()> busy_;
    TaskPane* pane_;
    std::array<QPushButton*, 4> butLeft_{};
    std::array<QPushButton*, 4> butRight_{};
    QString lastHelpText_;
};

} // namespace trevix::ui
