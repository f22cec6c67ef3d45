#pragma once
// The "Conversions" page: one conversion report at a time, chosen in lstConversionFile, shown
// as referrers, search terms or entry pages, with the check box that makes the report one the
// site generates after every analysis.
#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QStackedLayout;

namespace trevix {
class Analyser;
class SettingsStore;
struct SiteProfileList;
}

namespace trevix::ui {

class ReportListView;

class ConversionsPage : public QWidget {
    Q_OBJECT
public:
    ConversionsPage(Analyser& a, SettingsStore* store, QWidget* parent = nullptr);

    // The site profiles and the number (1-based, 0 for none) of the one selected in lstSites,
    // for the automatic-report check box.
    void SetProfiles(SiteProfileList* profiles, std::function<int()> selectedProfile);

    // Shows the engine's conversion data anew (after an analysis, a load or a comparison).
    void Reload();
    // Work is about to change the engine's conversion lists: stop reading them until Reload.
    void LetGo();
    // "Show &Conversion Report" on a lstFiles row: generates the report for file (progress
    // through the analyser's host) or shows it again when it exists.
    void ShowConversionReport(const QString& file);

    // 0 referrers, 1 search terms, 2 entry pages.
    int ShownKind() const { return kind_; }
    void ShowKind(int kind);

signals:
    void StatusText(const QString& text);
    // Generation asks for this page to be brought to the front.
    void PageWanted();

private:
    void FileChosen(int index);
    void AutoToggled(bool ticked);
    void VisitUrlClicked();
    void RowDoubleClicked(int kind, int row);
    void RefreshAutoBox();

    Analyser& a_;
    SettingsStore* store_;
    SiteProfileList* profiles_ = nullptr;
    std::function<int()> selectedProfile_;
    QComboBox* files_;
    std::array<ReportListView*, 3> lists_{};
    std::array<QRadioButton*, 3> options_{};
    QCheckBox* auto_;
    QPushButton* visit_;
    QStackedLayout* stackLayout_ = nullptr;
    int kind_ = 0;
    bool filling_ = false;
};

} // namespace trevix::ui
