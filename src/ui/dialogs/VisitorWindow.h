#pragma once
// The visitor report window: for the selected visitors, a summary block each and every request
// they made. One window serves every request ("&Details..." refills it); it is not modal.
#include <QWidget>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace trevix {
class Analyser;
class SettingsStore;
}

namespace trevix::ui {

class ReportListView;

class VisitorWindow : public QWidget {
    Q_OBJECT
public:
    VisitorWindow(Analyser& a, SettingsStore* store, QWidget* parent = nullptr);

    // Fills the window for lstIPs rows (0-based, in list order); nothing for no rows.
    void ShowRows(const std::vector<int>& rows);
    // The one window, when open.
    static VisitorWindow* Instance();
    // Work is about to change the engine's lists: the request list stops reading them until
    // TakeBack shows them again, refilled from the report now shown for the visitors it
    // showed that are still in it; with none left the window closes.
    void LetGo();
    void TakeBack();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Fills the window for these addresses; false when the report holds none of them.
    bool ShowAddresses(const std::vector<std::string>& addresses);

    Analyser& a_;
    std::vector<std::string> addresses_;   // shown, in list order
    SettingsStore* store_;
    QPlainTextEdit* summary_;
    ReportListView* pages_;
    QPushButton* close_;
};

// "&Details..." and a double click on lstIPs: opens (or reuses) the window for the rows.
void ShowVisitorReport(Analyser& a, SettingsStore* store, const std::vector<int>& rows, QWidget* parent);

} // namespace trevix::ui
