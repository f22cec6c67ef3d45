#pragma once
// The site dialog: a profile's name, its domain names, the separate-domains choice and the
// format its logs are read as, with a preview of how a log file's first line reads.
#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace trevix::ui {

class SiteProfileDialog : public QDialog {
    Q_OBJECT
public:
    // isNew: caption "New Site" instead of "Edit Site".
    explicit SiteProfileDialog(bool isNew, QWidget* parent = nullptr);

    void SetFields(const std::string& siteName, const std::vector<std::string>& domains, bool different,
                   const std::string& logFormat = "auto", bool w3cLocalTime = false);
    std::string SiteName() const;
    std::vector<std::string> Domains() const;
    bool DifferentDomains() const;
    // The log format as the profile stores it: a format's name or the format string.
    std::string LogFormat() const;
    bool W3cLocalTime() const;
    // Visitors' addresses: "none", "truncate" or "hash", and the hash's key (64 hex digits,
    // made when the hash is first chosen; kept as it was otherwise).
    void SetAnonymise(const std::string& mode, const std::string& key);
    std::string Anonymise() const;
    std::string AnonymiseKey() const { return key_; }
    // True unless the dialog ended with OK (Cancel, the close box and Esc all cancel).
    bool Cancelled() const { return cancelled_; }

    void AddDomain();      // "Add": a new empty entry, selected, the focus in the text box
    void RemoveDomain();   // "Remove": the selected entry
    void TryLogFormat();   // "Try on a log file...": a log file to preview, then the preview
    void PreviewFile(const QString& path);   // the preview of path's first line

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void SelectionChanged();
    void FormatChanged();
    void ShowPreview();
    // Why the chosen format cannot be used, or empty.
    QString FormatProblem() const;
    // Makes the hash's key unless there is one; false, with the user told, when none can be made.
    bool MakeKey();

    QLineEdit* txtSitename_;
    QListWidget* lstDomains_;
    QLineEdit* txtDomain_;
    QCheckBox* chkDifferentDomains_;
    QComboBox* cboLogFormat_;
    QLineEdit* txtLogFormat_;
    QCheckBox* chkW3CLocalTime_;
    QComboBox* cboAnonymise_;
    std::string key_;
    QLabel* lblPreviewFile_;
    QPlainTextEdit* lblLogPreview_;
    QString previewPath_;
    bool cancelled_ = true;
};

} // namespace trevix::ui
