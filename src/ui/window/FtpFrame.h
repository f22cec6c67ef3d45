#pragma once
// The FTP panel's place among the window's panels (frameFTP). The panel, with its worker
// thread, is made when first opened. While any of its commands runs the frame says the
// transfer is busy; what the panel asked for meanwhile (add the files, analyse them, go back)
// is kept until the window takes it once the panel is idle.
#include <QWidget>
#include <functional>

namespace trevix {
class Analyser;
class SettingsStore;
struct SiteProfile;
} // namespace trevix

namespace trevix::ui {

class FtpPanel;

class FtpFrame : public QWidget {
    Q_OBJECT
public:
    // selectedProfile: the site profile selected in the site list, or null.
    FtpFrame(Analyser& a, SettingsStore* store, std::function<SiteProfile*()> selectedProfile,
             QWidget* parent);

    // The panel, once opened.
    FtpPanel* Panel() const { return panel_; }
    // Makes the panel the first time and fills it for the site selected.
    void Open();
    // Stops a transfer through the panel's own Cancel, which also closes the connection.
    void Cancel();
    // The panel's thread stops now, before what it reads goes.
    void DeletePanel();

    enum class Next { Nothing, LogFiles, Process };
    // What the panel asked for since the last call.
    Next TakeNext();

signals:
    void StatusText(const QString& text);
    void FileDownloaded(const QString& path);
    void TransferBusy(bool busy);

private:
    Analyser& a_;
    SettingsStore* store_;
    std::function<SiteProfile*()> selectedProfile_;
    FtpPanel* panel_ = nullptr;
    Next next_ = Next::Nothing;
};

} // namespace trevix::ui
