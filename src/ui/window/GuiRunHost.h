#pragma once
// The window's RunHost. The analysis runs on a worker thread: status and progress from it are
// kept here and shown by a timer on the window thread (a queued event per progress step would
// flood the event loop), Cancel is a flag the worker polls, and messages and questions from the worker
// wait on a blocking call into the window thread (report loads run on a worker the same way).
// Called on the window thread itself (conversion reports), everything is shown at once and
// ProcessEvents pumps the queue.
#include "engine/RunHost.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class QWidget;

namespace trevix::ui {

class GuiRunHost : public QObject, public RunHost {
    Q_OBJECT
public:
    explicit GuiRunHost(QWidget* window);

    void SetStatus(std::string_view text) override;
    void ShowProgress(bool visible) override;
    void SetProgress(long long value, long long maximum) override;
    void ProcessEvents() override;
    bool IsCancelled() override;
    // The reader clears Cancel as each file starts. A Cancel the work has not looked at yet
    // (pressed between two files, or while the tables were emptied) is kept for the next file
    // rather than lost.
    void ResetCancel() override;
    void ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;
    void SetBusy(bool busy) override;
    void ShowSummary(std::string_view text) override;

    // While held, messages are kept instead of shown (the automatic report is written before
    // the pages show the report); ShowHeldMessages shows them afterwards, in order. True when
    // there were any.
    void HoldMessages(bool hold);
    bool ShowHeldMessages();
    bool HasHeldMessages();

    // The Cancel button.
    void Cancel();
    // A new piece of work starts: no Cancel is pending.
    void StartWork();
    // Shows what the worker left pending now (the timer does it every few milliseconds).
    void Flush();

    // For tests: called on the worker at every point where it would let events run, so a test
    // can hold the run at a known place (midway through a file) and act meanwhile.
    std::function<void()> WorkerPauseHook;

signals:
    void StatusChanged(const QString& text);
    void ProgressChanged(int value, int maximum);
    void ProgressVisibleChanged(bool visible);
    void BusyChanged(bool busy);
    void SummaryChanged(const QString& text);

private:
    bool OnWindowThread() const;

    QWidget* window_;
    QTimer timer_;
    std::mutex cancelMutex_;
    bool cancelled_ = false;
    bool cancelSeen_ = false;
    std::mutex mutex_;
    // Pending values from the worker (under mutex_).
    bool statusDirty_ = false, progressDirty_ = false, visibleDirty_ = false, busyDirty_ = false;
    bool summaryDirty_ = false;
    QString status_, summary_;
    bool holdMessages_ = false;
    struct HeldMessage {
        MessageIcon Icon;
        QString Title, Text;
    };
    std::vector<HeldMessage> held_;
    long long value_ = 0, maximum_ = 100;
    bool visible_ = false, busy_ = false;
};

// CR LF as the line ends a Qt label shows.
QString ShownText(std::string_view text);

} // namespace trevix::ui
