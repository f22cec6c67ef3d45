#pragma once
// Work the window waits for without freezing: it runs on a worker thread while the window
// thread goes on serving its events (painting, progress, Cancel, questions from the work),
// and the call returns once the work has ended, as a modal dialog's does. Whatever the work
// throws is thrown again on the window thread.
#include <QString>

#include <functional>

namespace trevix::ui {

class GuiRunHost;

// name: the worker thread's name. When the application quits meanwhile, the work is told to
// cancel through host and the call returns once it has stopped.
void RunOnWorker(const QString& name, GuiRunHost& host, const std::function<void()>& work);

} // namespace trevix::ui
