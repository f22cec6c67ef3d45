#include "window/GuiRunHost.h"

#include "common/Prompter.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace trevix::ui {

QString ShownText(std::string_view text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}

namespace {
int Scaled(long long value, long long maximum, int& scaledMax) {
    // QProgressBar counts in int; large byte counts are shown in thousandths.
    if (maximum <= 0) {
        scaledMax = 0;
        return 0;
    }
    if (maximum <= 1000000) {
        scaledMax = static_cast<int>(maximum);
        return static_cast<int>(std::clamp(value, 0LL, maximum));
    }
    scaledMax = 1000;
    return static_cast<int>(std::clamp(value, 0LL, maximum) * 1000 / maximum);
}
} // namespace

GuiRunHost::GuiRunHost(QWidget* window) : QObject(window), window_(window) {
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &GuiRunHost::Flush);
    timer_.start();
}

bool GuiRunHost::IsCancelled() {
    std::lock_guard lock(cancelMutex_);
    if (cancelled_) cancelSeen_ = true;
    return cancelled_;
}

void GuiRunHost::ResetCancel() {
    std::lock_guard lock(cancelMutex_);
    if (cancelled_ && !cancelSeen_) return;
    cancelled_ = false;
    cancelSeen_ = false;
}

void GuiRunHost::Cancel() {
    std::lock_guard lock(cancelMutex_);
    cancelled_ = true;
}

void GuiRunHost::StartWork() {
    std::lock_guard lock(cancelMutex_);
    cancelled_ = false;
    cancelSeen_ = false;
}

bool GuiRunHost::OnWindowThread() const { return QThread::currentThread() == thread(); }

void GuiRunHost::SetStatus(std::string_view text) {
    if (OnWindowThread()) {
        emit StatusChanged(ShownText(text));
        return;
    }
    std::lock_guard lock(mutex_);
    status_ = ShownText(text);
    statusDirty_ = true;
}

void GuiRunHost::ShowProgress(bool visible) {
    if (OnWindowThread()) {
        emit ProgressVisibleChanged(visible);
        return;
    }
    std::lock_guard lock(mutex_);
    visible_ = visible;
    visibleDirty_ = true;
}

void GuiRunHost::SetProgress(long long value, long long maximum) {
    if (OnWindowThread()) {
        int max = 0;
        int v = Scaled(value, maximum, max);
        emit ProgressChanged(v, max);
        return;
    }
    std::lock_guard lock(mutex_);
    value_ = value;
    maximum_ = maximum;
    progressDirty_ = true;
}

void GuiRunHost::SetBusy(bool busy) {
    if (OnWindowThread()) {
        emit BusyChanged(busy);
        return;
    }
    std::lock_guard lock(mutex_);
    busy_ = busy;
    busyDirty_ = true;
}

void GuiRunHost::ShowSummary(std::string_view text) {
    if (OnWindowThread()) {
        emit SummaryChanged(ShownText(text));
        return;
    }
    std::lock_guard lock(mutex_);
    summary_ = ShownText(text);
    summaryDirty_ = true;
}

void GuiRunHost::HoldMessages(bool hold) {
    std::lock_guard lock(mutex_);
    holdMessages_ = hold;
}

bool GuiRunHost::ShowHeldMessages() {
    std::vector<HeldMessage> messages;
    {
        std::lock_guard lock(mutex_);
        messages.swap(held_);
    }
    for (const HeldMessage& m : messages) CurrentPrompter().Message(window_, m.Icon, m.Title, m.Text);
    return !messages.empty();
}

bool GuiRunHost::HasHeldMessages() {
    std::lock_guard lock(mutex_);
    return !held_.empty();
}

void GuiRunHost::ProcessEvents() {
    if (OnWindowThread()) {
        QCoreApplication::processEvents();
        return;
    }
    if (WorkerPauseHook) WorkerPauseHook();
}

void GuiRunHost::Flush() {
    bool statusDirty, progressDirty, visibleDirty, busyDirty, summaryDirty, visible, busy;
    QString status, summary;
    long long value, maximum;
    {
        std::lock_guard lock(mutex_);
        statusDirty = std::exchange(statusDirty_, false);
        progressDirty = std::exchange(progressDirty_, false);
        visibleDirty = std::exchange(visibleDirty_, false);
        busyDirty = std::exchange(busyDirty_, false);
        summaryDirty = std::exchange(summaryDirty_, false);
        status = status_;
        summary = summary_;
        value = value_;
        maximum = maximum_;
        visible = visible_;
        busy = busy_;
    }
    if (statusDirty) emit StatusChanged(status);
    if (progressDirty) {
        int max = 0;
        int v = Scaled(value, maximum, max);
        emit ProgressChanged(v, max);
    }
    if (visibleDirty) emit ProgressVisibleChanged(visible);
    if (busyDirty) emit BusyChanged(busy);
    if (summaryDirty) emit SummaryChanged(summary);
}

void GuiRunHost::ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) {
    QString t = ShownText(title), m = ShownText(text);
    {
        std::lock_guard lock(mutex_);
        if (holdMessages_) {
            held_.push_back({icon, t, m});
            return;
        }
    }
    auto ask = [this, icon, t, m] { CurrentPrompter().Message(window_, icon, t, m); };
    if (OnWindowThread())
        ask();
    else
        QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
}

bool GuiRunHost::AskYesNo(std::string_view title, std::string_view text) {
    QString t = ShownText(title), m = ShownText(text);
    bool answer = false;
    // The engine's questions say nothing about what Yes does, so Enter gives the safe No.
    auto ask = [this, t, m, &answer] {
        answer = CurrentPrompter().YesNo(window_, MessageIcon::Question, t, m, DefaultAnswer::No);
    };
    if (OnWindowThread())
        ask();
    else
        QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace trevix::ui
