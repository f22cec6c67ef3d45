#pragma once
// The command line's front end: messages go to stderr, nothing waits for a click, and
// Ctrl+C asks the current file to stop.
#include "engine/RunHost.h"
#include "engine/base/TerminalText.h" // TerminalText, ControlLength, AppendEscape

#include <csignal>
#include <iosfwd>
#include <string>
#include <string_view>

namespace trevix {

class CliHost : public RunHost {
public:
    explicit CliHost(std::ostream& err) : err_(err) {}

    void SetStatus(std::string_view) override {}
    void ShowProgress(bool) override {}
    void SetProgress(long long, long long) override {}
    void ProcessEvents() override {}
    bool IsCancelled() override;
    void ResetCancel() override;
    void ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;

    // A file could not be read ("File does not exist", "Error opening file").
    bool FileFailed = false;
    // Installs the handler of Ctrl+C (SIGINT), SIGTERM and SIGHUP for the life of the process
    // (a SIGTERM or SIGHUP that the process was started ignoring stays ignored).
    static void CatchInterrupt();
    // One of them arrived: the run stops and nothing is saved.
    static bool Interrupted();
    // The first of them that arrived (0: none); the exit status is 128 + that number (130 for
    // SIGINT, 143 for SIGTERM, 129 for SIGHUP).
    static int StopSignal();

private:
    std::ostream& err_;
};

// Holds SIGINT, SIGTERM and SIGHUP back while it lives: they take effect once it ends. For
// work that must not stop half-way, such as replacing a set of files.
class StopSignalsHeld {
public:
    StopSignalsHeld();
    ~StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

} // namespace trevix
