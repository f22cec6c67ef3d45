#pragma once
// The site dialog: a profile's name, its domain names and the separate-domains choice.
#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace trevix::ui {

class SiteProfileDialog : public QDialog {
    Q_OBJECT
public:
    // isNew: caption "New Site" instead of "Edit Site".
    explicit SiteProfileDialog(bool isNew, QWidget* parent = nullptr);

    void SetFields(const std::string& siteName, const std::vector<std::string>& domains, bool different);
    std::string SiteName() const;
    std::vector<std::string> Domains() const;
    bool DifferentDomains() const;
    // True unless the dialog ended with OK (Cancel, the close box and Esc all cancel).
    bool Cancelled() const { return cancelled_; }

    void AddDomain();      // "Add": a new empty entry, selected, the focus in the text box
    void RemoveDomain();   // "Remove": the selected entry

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void SelectionChanged();

    QLineEdit* txtSitename_;
    QListWidget* lstDomains_;
    QLineEdit* txtDomain_;
    QCheckBox* chkDifferentDomains_;
    bool cancelled_ = true;
};

} // namespace trevix::ui
