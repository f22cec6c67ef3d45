#pragma once
// The window's work in progress: an analysis on a worker thread, a report loaded on a worker,
// or guarded work on the window thread. It keeps the busy state and says through signals when
// the window has to let go of the engine's lists, take them back, or report a failure; the
// window builds the run's request from its panels and hands it over.
#include "engine/run/AnalysisRun.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QThread;

namespace trevix {
class Analyser;
}

namespace trevix::ui {

class GuiRunHost;

// What an analysis's worker hands back.
struct AnalysisOutcome {
    RunResult Result;
    bool OutOfMemory = false;
    std::string Error;
    QString StatusAfter;
};

class WorkGuard : public QObject {
    Q_OBJECT
public:
    WorkGuard(Analyser& a, GuiRunHost& host, QObject* parent = nullptr);
    ~WorkGuard() override;

    // True while an analysis, a load or a guarded work is in progress.
    bool Working() const { return working_; }
    bool Transferring() const { return transferring_; }
    void SetTransferring(bool busy) { transferring_ = busy; }
    // No command that starts other work while work runs or a transfer is busy.
    bool Busy() const { return working_ || transferring_; }

    // Runs the analysis of request on a worker thread; AnalysisFinished tells its outcome,
    // statusAfter being the status to show when it went well.
    void Start(const RunRequest& request, const QString& statusAfter);
    // Loads a report file on a worker; the work is begun and left for the caller to End and
    // Finish, who first reads what the load left.
    bool LoadReport(const QString& path, bool compare);
    // Runs work on the calling thread as guarded work; false when other work is in progress
    // or memory ran out.
    bool RunGuarded(const QString& what, const std::function<void()>& work);
    // Tells the work in progress to stop.
    void Cancel();
    // Runs the event loop until the work in progress has ended.
    void Wait();
    // Runs the event loop while work or a transfer is busy, for at most ms milliseconds.
    void WaitWhileBusy(int ms);
    // Stops a running analysis and waits for its thread (the window going).
    void Stop();

    void Begin();
    void End();
    void Finish();

signals:
    // Work begins: the views let go of the engine's lists.
    void Starting();
    // Work is ending, still counted as work: the views take the lists back.
    void Ending();
    // Work has ended: the commands are usable again.
    void Ended();
    // The work failed; the window empties the report and says message.
    void Failed(const QString& message);
    void StatusText(const QString& text);
    // The analysis's thread has stopped; the window ends and finishes the work.
    void AnalysisFinished(const AnalysisOutcome& outcome);
    // The work is over and its result shown.
    void Finished();

private:
    Analyser& a_;
    GuiRunHost& host_;
    bool working_ = false;
    bool transferring_ = false;
    QThread* worker_ = nullptr;
    std::unique_ptr<AnalysisOutcome> work_;
};

} // namespace trevix::ui
