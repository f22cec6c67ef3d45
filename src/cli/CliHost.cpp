#include "CliHost.h"

#include <atomic>
#include <csignal>
#include <ostream>
#include <string>

namespace trevix {

namespace {
std::atomic<bool> interrupted{false};
void OnInterrupt(int) { interrupted = true; }
} // namespace

void CliHost::CatchInterrupt() { std::signal(SIGINT, OnInterrupt); }

bool CliHost::IsCancelled() { return interrupted; }

void CliHost::ResetCancel() {}

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
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
