#include "window/FtpFrame.h"

#include "ftp/FtpPanel.h"

#include <QVBoxLayout>
#include <utility>

namespace trevix::ui {

FtpFrame::FtpFrame(Analyser& a, SettingsStore* store, std::function<SiteProfile*()> selectedProfile,
                   QWidget* parent)
    : QWidget(parent), a_(a), store_(store), selectedProfile_(std::move(selectedProfile)) {
    setObjectName("frameFTP");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void FtpFrame::Open() {
    if (!panel_) {
        panel_ = new FtpPanel(a_, store_, selectedProfile_, this);
        panel_->setObjectName("FtpPanel");
        layout()->addWidget(panel_);
        connect(panel_, &FtpPanel::statusChanged, this, &FtpFrame::StatusText);
        connect(panel_, &FtpPanel::fileDownloaded, this, &FtpFrame::FileDownloaded);
        // These come while the panel's command is still finishing; they are done once it has.
        connect(panel_, &FtpPanel::processFilesRequested, this, [this] { next_ = Next::Process; });
        connect(panel_, &FtpPanel::returnToLogFilesRequested, this, [this] { next_ = Next::LogFiles; });
        connect(panel_, &FtpPanel::panelClosed, this, [this] { next_ = Next::LogFiles; });
        connect(panel_, &FtpPanel::busy, this, [this] { emit TransferBusy(true); });
        connect(panel_, &FtpPanel::idle, this, [this] { emit TransferBusy(false); });
    }
    panel_->OpenFtpPage();
}

void FtpFrame::Cancel() {
    if (panel_) panel_->Cancel();
}

void FtpFrame::DeletePanel() {
    delete panel_;
    panel_ = nullptr;
}

FtpFrame::Next FtpFrame::TakeNext() {
    return std::exchange(next_, Next::Nothing);
}

} // namespace trevix::ui
