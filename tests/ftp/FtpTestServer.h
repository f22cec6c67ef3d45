#pragma once
// A real FTP server for the tests (ftp_server.py) and a front end that records what the
// FTP code shows.
#include "engine/RunHost.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace trevix::test {

inline constexpr const char* kFtpUser = "trevix";
inline constexpr const char* kFtpPassword = "s3cret pass";
inline constexpr long long kMediumSize = 3 * 1024 * 1024 + 17;
inline constexpr long long kBigSize = 50LL * 1024 * 1024;
inline constexpr long long kHugeSize = 5LL * 1024 * 1024 * 1024;

// Starts the server on construction and stops it on destruction.
class FtpTestServer {
public:
    FtpTestServer();
    ~FtpTestServer();
    int Port() const { return port_; }
    bool Running() const { return port_ > 0; }
    const std::string& Error() const { return error_; }

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
    std::string error_;
};

// The bytes the server's tree holds, generated the same way, for byte-for-byte checks.
std::string ServerAccessLog(int lines = 400);
std::string ServerPatternBytes(size_t size, int seed);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// The names in a folder, sorted (temporary files included).
std::vector<std::string> FolderNames(const std::string& folder);

// A fresh empty folder that is removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Records status texts and progress; can cancel after a number of bytes or run a
// handler (a button pressed) while events are processed.
class RecordingHost : public RunHost {
public:
    std::vector<std::string> Statuses;
    std::vector<long long> ProgressValues;
    std::vector<long long> ProgressMaximums;
    long long CancelAfterBytes = -1;          // IsCancelled once progress passed this
    std::function<void()> OnEvents;           // run inside ProcessEvents
    int EventsProcessed = 0;
    bool Cancelled = false;

    void SetStatus(std::string_view text) override { Statuses.emplace_back(text); }
    void ShowProgress(bool) override {}
    void SetProgress(long long value, long long maximum) override;
    void ProcessEvents() override;
    bool IsCancelled() override { return Cancelled; }
    void ResetCancel() override { Cancelled = false; }
    void ShowMessage(MessageIcon, std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
    bool SawStatus(std::string_view text) const;
};

} // namespace trevix::test
