#pragma once
// The ten report pages in their tabs: Summary, Visitors, Referrers, Search Engines, Browsers,
// Files, Country, Errors, Conversions and Raw Log, over the engine's report lists. The pages
// open no windows themselves: what the user asks for goes out as signals.
#include <QTabWidget>
#include <array>
#include <functional>

class QPushButton;

namespace trevix {
class Analyser;
class ReportLists;
class SettingsStore;
struct SiteProfileList;
}

namespace trevix::ui {

class ChoicePage;
class ConversionsPage;
class RawLogPage;
class ReportListView;
class SummaryPage;

class ReportPages : public QTabWidget {
    Q_OBJECT
public:
    // currentSite gives the site profile number the conversions page works for.
    ReportPages(Analyser& a, SettingsStore* store, SiteProfileList* profiles, std::function<int()> currentSite,
                QWidget* parent = nullptr);

    // The list view of a list number the pages show (1..14, 16); nullptr for others.
    ReportListView* View(int listNum) const;
    SummaryPage* Summary() const { return summary_; }
    RawLogPage* RawLog() const { return rawLog_; }
    ConversionsPage* Conversions() const { return conversions_; }

    // Views let go of the engine's lists (column widths kept) while work changes them, and
    // take them back after.
    void DetachViews();
    // No view or page reads the engine's lists any more (the analyser is going).
    void LetGo();
    void AttachViews();
    void ApplyColumnWidths();
    void StoreColumnWidths();
    // The summary, charts and raw log of the lists; rawLog tells whether the raw log is on.
    void ShowLists(const ReportLists& lists, bool rawLog);
    // The list on the page in front (the focused one when the page shows several), or nullptr
    // when the page shows none.
    ReportListView* ListOnScreen() const;
    // Selects the row of a list whose first cell is text; false when there is none.
    bool SelectRow(int listNum, const QString& text);
    // Brings a page to the front by its key ("visitors", "IPs", ..., "rawlog").
    void ShowPage(const QString& key);
    QString PageKey(int index) const;
    // Commands that start work or open windows; the buttons that need a current row
    // separately, as they wait for a shown report.
    void SetCommandsEnabled(bool enabled);
    void SetRowButtonsEnabled(bool enabled);
    // The display choices kept in the settings: tables or graphs, keywords or engines, and
    // which browser list.
    void RestoreDisplay(SettingsStore& store);
    void SaveDisplay(SettingsStore& store) const;

signals:
    void ListDoubleClicked(int listNum);
    void ListContextMenu(int listNum, int row, const QPoint& pos);
    // The "&Visit URL" button of the Referrers (0), Search Engines (1) or Errors (3) page.
    void VisitUrlWanted(int index);
    void VisitorDetailsWanted();
    void ReferredToWanted();
    void RawLogSearchWanted();
    void HelpText(const QString& text);
    void StatusText(const QString& text);

private:
    ReportListView* MakeList(int listNum, QWidget* parent);

    Analyser& a_;
    std::array<ReportListView*, 17> views_{};
    SummaryPage* summary_ = nullptr;
    ChoicePage* search_ = nullptr;
    ChoicePage* browsers_ = nullptr;
    QPushButton* butVisitorReport_ = nullptr;
    QPushButton* butReferredTo_ = nullptr;
    std::array<QPushButton*, 4> butVisitURL_{};
    QWidget* pageConversions_ = nullptr;
    ConversionsPage* conversions_ = nullptr;
    RawLogPage* rawLog_ = nullptr;
};

} // namespace trevix::ui
