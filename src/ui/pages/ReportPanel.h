#pragma once
// The report's panel (frameReport): the report pages, and under them the link to the process
// log, shown when the run found errors, and the step arrows.
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;

namespace trevix {
class Analyser;
class SettingsStore;
struct SiteProfileList;
} // namespace trevix

namespace trevix::ui {

class ReportPages;

class ReportPanel : public QWidget {
    Q_OBJECT
public:
    // currentSite gives the site profile number the conversions page works for.
    ReportPanel(Analyser& a, SettingsStore* store, SiteProfileList* profiles,
                std::function<int()> currentSite, QWidget* parent);

    ReportPages* Pages() const { return pages_; }
    // The arrows go at the right of the bottom row.
    void SetArrows(QWidget* arrows);
    void ShowErrorsLink(bool visible);

signals:
    void ProcessLogWanted();

private:
    ReportPages* pages_;
    QLabel* lblViewErrors_;
    QHBoxLayout* bottom_;
};

} // namespace trevix::ui
