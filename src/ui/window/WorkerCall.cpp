#include "window/WorkerCall.h"

#include "window/GuiRunHost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <exception>

namespace trevix::ui {

void RunOnWorker(const QString& name, GuiRunHost& host, const std::function<void()>& work) {
    std::exception_ptr failure;
    QThread* thread = QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread->setObjectName(name);
    QEventLoop loop;
    bool ended = false;
    // Queued: runs on this thread once the worker is done, even if that was before exec.
    QObject::connect(
        thread, &QThread::finished, &loop,
        [&] {
            ended = true;
            loop.quit();
        },
        Qt::QueuedConnection);
    thread->start();
    loop.exec();
    // The loop also ends when the application quits: the work is stopped then, and questions
    // it asks while stopping are still answered.
    if (!ended) host.Cancel();
    while (!thread->wait(QDeadlineTimer(20))) QCoreApplication::processEvents();
    delete thread;
    host.Flush();
    if (failure) std::rethrow_exception(failure);
}

} // namespace trevix::ui
