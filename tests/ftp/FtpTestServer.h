#pragma once
// A real FTP server for the tests (ftp_server.py) and a front end that records what the
// FTP code shows.
#include "engine/RunHost.h"

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace trevix::test {

inline constexpr const char* kFtpUser = "trevix";
inline constexpr const char* kFtpPassword = "s3cret pass";
inline constexpr long long kMediumSize = 3 * 1024 * 1024 + 17;
inline constexpr long long kBigSize = 50LL * 1024 * 1024;
inline constexpr long long kHugeSize = 5LL * 1024 * 1024 * 1024;

// A server program that prints its port on stdout once it listens and stops when its
// stdin closes. Started on construction, stopped on destruction.
class ScriptServer {
public:
    explicit ScriptServer(std::vector<std::string> argv);
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;
    int Port() const { return port_; }
    bool Running() const { return port_ > 0; }
    const std::string& Error() const { return error_; }

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
    std::string error_;
};

// pyftpdlib over the tree of ftp_server.py; refuseSize makes it answer SIZE with 550, hostile
// adds the misbehaviours of its --hostile switch.
// The files of /hostile/ all hold ServerAccessLog(60).
class FtpTestServer : public ScriptServer {
public:
    explicit FtpTestServer(bool refuseSize = false, int extraMegabytes = 0, bool hostile = false);
};

// A small tree for the encrypted servers: readme.txt, logs/access.log, logs/error log.txt,
// logs/sub/old.log and big/big.bin (kEncryptedBigSize pattern bytes, seed 3).
inline constexpr long long kEncryptedBigSize = 24LL * 1024 * 1024;
void BuildSmallTree(const std::string& root);

inline constexpr const char* kFtpsUser = "trevixftp";

// vsftpd with explicit TLS over a folder; needs root (SkipReason says why it cannot run).
// CAFile() is the certificate authority that signed its certificate; with selfSigned the
// server shows a self-signed certificate instead.
class FtpsTestServer {
public:
    FtpsTestServer(const std::string& folder, bool selfSigned = false);
    int Port() const { return server_ ? server_->Port() : 0; }
    bool Running() const { return server_ && server_->Running(); }
    std::string Error() const { return server_ ? server_->Error() : skip_; }
    const std::string& SkipReason() const { return skip_; }
    std::string CAFile() const { return work_ + "/ca.pem"; }

private:
    std::string work_;
    std::string skip_;
    std::unique_ptr<ScriptServer> server_;
};

// asyncssh over a folder with a host key made by ssh-keygen. KnownHostsLine() trusts it;
// Fingerprint() is what ssh-keygen -l says of it. With clientKey, the server also accepts
// the user's public key clientKey + ".pub" (made here too).
class SftpTestServer {
public:
    SftpTestServer(const std::string& folder, const std::string& clientKey = "");
    int Port() const { return server_ ? server_->Port() : 0; }
    bool Running() const { return server_ && server_->Running(); }
    std::string Error() const { return server_ ? server_->Error() : error_; }
    std::string KnownHostsLine() const;
    const std::string& Fingerprint() const { return fingerprint_; }

private:
    std::string work_;
    std::string error_;
    std::string publicKey_; // "ssh-ed25519 AAAA..."
    std::string fingerprint_;
    std::unique_ptr<ScriptServer> server_;
};

// Runs a program to its end; its exit status, and its stdout in output.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

// The bytes the server's tree holds, generated the same way, for byte-for-byte checks.
std::string ServerAccessLog(int lines = 400);
std::string ServerPatternBytes(size_t size, int seed);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// The names in a folder, sorted (temporary files included).
std::vector<std::string> FolderNames(const std::string& folder);

// A fresh empty folder that is removed with everything in it at the end.
// (Declared before the servers that keep their keys in one.)
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

// Accepts connections on a port of 127.0.0.1 and never says a word: a server that does not
// answer in time. Port 0 picks a free port; Port() is 0 when the port could not be taken.
class SilentListener {
public:
    explicit SilentListener(int port = 0);
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace trevix::test
