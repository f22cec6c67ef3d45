#pragma once
// Small helpers shared by the test suites: a front end that records what the engine showed,
// and a temporary folder that removes itself.
#include "engine/RunHost.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace trevix::testing {

// The processing log without its "NAME: read as FORMAT" line per file.
inline std::string LogWithoutFormats(const std::string& log) {
    std::string kept;
    for (size_t pos = 0; pos < log.size();) {
        size_t end = log.find("\r\n", pos);
        end = end == std::string::npos ? log.size() : end + 2;
        const std::string line = log.substr(pos, end - pos);
        if (line.find(": read as ") == std::string::npos) kept += line;
        pos = end;
    }
    return kept;
}

struct RecordedMessage {
    MessageIcon Icon;
    std::string Title;
    std::string Text;
};

class RecordingHost : public RunHost {
public:
    std::vector<std::string> Statuses;
    std::vector<RecordedMessage> Messages;
    int EventsServed = 0;
    // Cancel after this many ProcessEvents calls (never when negative).
    int CancelAfterEvents = -1;
    bool Cancel = false;
    bool Answer = true;

    void SetStatus(std::string_view text) override { Statuses.emplace_back(text); }
    void ShowProgress(bool) override {}
    void SetProgress(long long, long long) override {}
    void ProcessEvents() override {
        ++EventsServed;
        if (CancelAfterEvents >= 0 && EventsServed >= CancelAfterEvents) Cancel = true;
    }
    bool IsCancelled() override { return Cancel; }
    void ResetCancel() override { Cancel = false; }
    void ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) override {
        Messages.push_back({icon, std::string(title), std::string(text)});
    }
    bool AskYesNo(std::string_view, std::string_view) override { return Answer; }
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "trevix-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // Writes bytes exactly as given and returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(File(name), std::ios::binary);
        out << bytes;
        return File(name);
    }

private:
    std::filesystem::path path_;
};

} // namespace trevix::testing
