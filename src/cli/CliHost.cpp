#include "CliHost.h"

#include <atomic>
#include <csignal>
#include <signal.h>
#include <ostream>
#include <string>

namespace trevix {

namespace {
volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl+C asks the run to stop where it can; a second one ends the program at once.
void OnInterrupt(int) {
    if (interrupted) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    interrupted = 1;
}
} // namespace

void CliHost::CatchInterrupt() {
    // No SA_RESTART: an open or read blocked on a pipe with no writer returns EINTR, so the
    // reader sees the cancel instead of waiting for ever.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
}

bool CliHost::Interrupted() { return interrupted != 0; }

bool CliHost::IsCancelled() { return interrupted != 0; }

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
