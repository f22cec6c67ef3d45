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

size_t ControlLength(std::string_view text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) return 1;
    if (c == 0xC2 && i + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (next >= 0x80 && next <= 0x9F) return 2;   // a C1 control in UTF-8
    }
    return 0;
}

void AppendEscape(std::string& out, std::string_view control) {
    static const char digits[] = "0123456789abcdef";
    const auto value = static_cast<unsigned char>(control.back());
    out += control.size() == 1 ? "\\x" : "\\u00";
    out.push_back(digits[value >> 4]);
    out.push_back(digits[value & 15]);
}

void CliHost::ResetCancel() {}

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n' || text[i] == '\t') {
            out.push_back(text[i]);
        } else if (const size_t n = ControlLength(text, i); n != 0) {
            AppendEscape(out, text.substr(i, n));
            i += n - 1;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

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
