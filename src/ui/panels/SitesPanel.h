#pragma once
// The site step: the site profiles in a list, made, edited (also in place) and deleted with
// the toolbar, Enter and Delete. Every change is written at once through ProfilesChanged.
#include <QWidget>
#include <functional>

class QToolButton;
class QTreeWidget;

namespace trevix {
class ReportList;
struct SiteProfileList;
}

namespace trevix::ui {

class SitesPanel : public QWidget {
    Q_OBJECT
public:
    // busy tells when no command may run (work in progress).
    SitesPanel(SiteProfileList& profiles, std::function<bool()> busy, QWidget* parent = nullptr);

    // Lists the profiles and selects the first one.
    void Fill();
    // "new", "edit" or "delete" the profile selected.
    void Command(const QString& key);
    // The profile number of the current row (1..), or 0 with none.
    int CurrentSite() const;
    QString CurrentSiteName() const;
    bool HasCurrent() const;
    // The list's column widths from and into the sites list's columns (in twips).
    void ApplyColumnWidths(const ReportList& sites);
    void StoreColumnWidths(ReportList& sites) const;

signals:
    // A site was chosen (or renamed, made or edited while chosen).
    void SiteChosen(const QString& name);
    // A site was made, edited or deleted; any tells whether sites are left.
    void SitesChanged(bool any);
    // The profiles changed and should be written.
    void ProfilesChanged();
    // Another profile (or none) became the current one: chosen, made or left after a delete.
    void CurrentSiteChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SiteClicked();

    SiteProfileList& profiles_;
    std::function<bool()> busy_;
    QTreeWidget* lstSites_ = nullptr;
    QToolButton* tbrNew_ = nullptr;
    QToolButton* tbrEdit_ = nullptr;
    QToolButton* tbrDelete_ = nullptr;
    int quiet_ = 0;
};

} // namespace trevix::ui
