#pragma once
// The command line's front end: messages go to stderr, nothing waits for a click, and
// Ctrl+C asks the current file to stop.
#include "engine/RunHost.h"
#include "engine/TerminalText.h" // TerminalText, ControlLength, AppendEscape

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
    // Installs the Ctrl+C handler for the life of the process.
    static void CatchInterrupt();
    // Ctrl+C was pressed: the run stops, nothing is saved, the exit status is 130.
    static bool Interrupted();

private:
    std::ostream& err_;
};

} // namespace trevix
