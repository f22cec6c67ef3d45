#pragma once
// Independent tasks shared by this thread and, when asked for and one can be had, a second:
// each thread takes the next task when done with one. The second thread is waited for before
// this returns, also when a task throws, so whatever the tasks use outlives them.
#include <atomic>
#include <cstddef>
#include <future>
#include <system_error>

namespace trevix {

// Runs task(i) for every i in [0, count); afterEach() runs on this thread after each task it did.
template <class Task, class After>
void ShareTasks(size_t count, bool twoThreads, Task&& task, After&& afterEach) {
    std::atomic<size_t> next{0};
    std::future<void> helper;
    if (twoThreads) {
        try {
            helper = std::async(std::launch::async, [&] {
                for (size_t i = next++; i < count; i = next++) task(i);
            });
        } catch (const std::system_error&) {
            // Without a second thread this one does every task.
        }
    }
    struct Join {
        std::future<void>& f;
        ~Join() {
            if (f.valid()) f.wait();
        }
    } join{helper};
    for (size_t i = next++; i < count; i = next++) {
        task(i);
        afterEach();
    }
    if (helper.valid()) helper.get();
}

template <class Task>
void ShareTasks(size_t count, bool twoThreads, Task&& task) {
    ShareTasks(count, twoThreads, task, [] {});
}

} // namespace trevix
