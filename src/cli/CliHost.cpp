#include "CliHost.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <signal.h>
#include <ostream>
#include <string>

namespace trevix {

namespace {
volatile std::sig_atomic_t stopSignal = 0;   // the first stop signal's number

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first signal asks the run to stop where it can; a second one ends the program at once.
void OnStopSignal(int signal) {
    if (stopSignal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    stopSignal = signal;
}
} // namespace

void CliHost::CatchInterrupt() {
    // No SA_RESTART: an open or read blocked on a pipe with no writer returns EINTR, so the
    // reader sees the cancel instead of waiting for ever.
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : StopSignals) {
        struct sigaction previous {};
        // nohup's ignored SIGHUP stays ignored. SIGINT is caught regardless: a background job
        // starts with it ignored, and Ctrl+C is how a run is cancelled.
        if (signal != SIGINT && sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

bool CliHost::Interrupted() { return stopSignal != 0; }

int CliHost::StopSignal() { return stopSignal; }

bool CliHost::IsCancelled() { return stopSignal != 0; }

StopSignalsHeld::StopSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : StopSignals) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void CliHost::ResetCancel() {}

void CliHost::ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) {
    if (title == "File does not exist" || title == "Error opening file") FileFailed = true;
    const char* kind = icon == MessageIcon::Critical ? "error" : icon == MessageIcon::Warning ? "warning" : "note";
    std::string body = TerminalText(text);
    // One message, one paragraph: blank lines of the dialog text become single breaks.
    std::string compact;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n' && i + 1 < body.size() && body[i + 1] == '\n') continue;
        compact.push_back(body[i]);
    }
    err_ << "trevix-cli: " << kind << ": " << title << ": " << compact << "\n";
}

bool CliHost::AskYesNo(std::string_view title, std::string_view text) {
    err_ << "trevix-cli: " << title << ": " << TerminalText(text) << " (answered No)\n";
    return false;
}

} // namespace trevix
