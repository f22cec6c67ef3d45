#include "window/WorkGuard.h"

#include "common/QtText.h"
#include "engine/Analyser.h"
#include "report/XmlReportLoader.h"
#include "window/GuiRunHost.h"
#include "window/WorkerCall.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <new>

namespace trevix::ui {

WorkGuard::WorkGuard(Analyser& a, GuiRunHost& host, QObject* parent) : QObject(parent), a_(a), host_(host) {}

WorkGuard::~WorkGuard() { Stop(); }

void WorkGuard::Stop() {
    if (!worker_) return;
    host_.Cancel();
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void WorkGuard::Begin() {
    working_ = true;
    host_.StartWork();
    emit Starting();
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

void WorkGuard::End() {
    QApplication::restoreOverrideCursor();
    emit Ending();
    working_ = false;
    emit Ended();
}

void WorkGuard::Finish() { emit Finished(); }

void WorkGuard::Start(const RunRequest& request, const QString& statusAfter) {
    Begin();
    work_ = std::make_unique<AnalysisOutcome>();
    work_->StatusAfter = statusAfter;
    AnalysisOutcome* work = work_.get();
    Analyser* a = &a_;
    worker_ = QThread::create([a, work, request] {
        try {
            work->Result = AnalyseLogFiles(*a, request);
        } catch (const std::bad_alloc&) {
            work->OutOfMemory = true;
        } catch (const std::exception& e) {
            work->Error = e.what();
        }
    });
    worker_->setObjectName("AnalysisWorker");
    connect(worker_, &QThread::finished, this, [this] {
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
        host_.Flush();
        // Released first: what the window does with the outcome may start new work.
        const std::unique_ptr<AnalysisOutcome> outcome = std::move(work_);
        emit AnalysisFinished(*outcome);
    });
    worker_->start();
}

bool WorkGuard::LoadReport(const QString& path, bool compare) {
    Begin();
    bool ok = false, outOfMemory = false;
    try {
        // On a worker, as a run: the window keeps painting and Cancel reaches the loader.
        Analyser& a = a_;
        const std::string file = Std(path);
        RunOnWorker("ReportLoader", host_, [&] { ok = LoadXMLReport(a, file, compare); });
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    if (outOfMemory) emit Failed(QString("Not enough memory to load %1").arg(QFileInfo(path).fileName()));
    return ok;
}

bool WorkGuard::RunGuarded(const QString& what, const std::function<void()>& work) {
    if (Busy()) return false;
    Begin();
    bool ok = true;
    try {
        work();
    } catch (const std::bad_alloc&) {
        ok = false;
        emit Failed("Not enough memory for " + what);
        emit StatusText("Not enough memory");
    }
    End();
    Finish();
    return ok;
}

void WorkGuard::Cancel() { host_.Cancel(); }

void WorkGuard::Wait() {
    if (!working_) return;
    QEventLoop loop;
    connect(this, &WorkGuard::Finished, &loop, &QEventLoop::quit);
    loop.exec();
}

void WorkGuard::WaitWhileBusy(int ms) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (!Busy() || waited.elapsed() > ms) loop.quit();
    });
    tick.start(20);
    loop.exec();
}

} // namespace trevix::ui
