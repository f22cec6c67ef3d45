#pragma once
// The one door between the engine and whatever front end drives it (GUI, CLI, tests).
// The engine never touches a widget: status texts, progress, event pumping, Cancel and
// message boxes all go through this interface.
#include <string>
#include <string_view>

namespace trevix {

enum class MessageIcon { None, Critical, Warning, Information, Question };

class RunHost {
public:
    virtual ~RunHost() = default;
    // Status-bar text ("Processing...", "Done.").
    virtual void SetStatus(std::string_view text) = 0;
    // Progress bar; value is 0..maximum. ShowProgress(false) hides bar and Cancel button.
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgress(long long value, long long maximum) = 0;
    // Let pending window events run (the GUI pumps its queue; others do nothing).
    virtual void ProcessEvents() = 0;
    // True once the user asked to stop the current long operation.
    virtual bool IsCancelled() = 0;
    // Clears a Cancel request before a new long operation starts.
    virtual void ResetCancel() = 0;
    virtual void ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) = 0;
    virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
    // Front-end state the run toggles while a file is read (menus, log buttons); default no-op.
    virtual void SetBusy(bool /*busy*/) {}
    // The summary box while a run reads its files: which file is read, or that it was
    // cancelled; the finished summary comes with the report. Default no-op.
    virtual void ShowSummary(std::string_view /*text*/) {}
};

// A host that does nothing: for batch work where no one is watching.
class NullHost : public RunHost {
public:
    void SetStatus(std::string_view) override {}
    void ShowProgress(bool) override {}
    void SetProgress(long long, long long) override {}
    void ProcessEvents() override {}
    bool IsCancelled() override { return false; }
    void ResetCancel() override {}
    void ShowMessage(MessageIcon, std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
};

} // namespace trevix
