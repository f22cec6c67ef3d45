#pragma once
// The FTP session layer: one server connection at a time, kept open between commands, plus
// a short-lived second connection for every FTP listing and size lookup so that browsing
// never ties up the connection a download runs on. The server text picks the protocol:
// plain FTP, FTP with required explicit TLS (ftps://) or SFTP (sftp://). Every call is
// synchronous; it drives libcurl itself and looks at Cancel at least every 50 ms, even while
// no byte moves, so a front end that runs the session on a worker thread and answers
// RunHost::IsCancelled from an atomic flag stops a connect or transfer within a fraction of a
// second.
#include "FtpText.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace trevix {

class RunHost;

struct FtpServerAddress {
    std::string Server; // host name or address as typed, optionally with ftp://, ftps:// or sftp://
    int Port = 0;       // 0: the scheme's standard port (21, or 22 for SFTP)
    std::string Username;
    std::string Password; // SFTP without a password logs in with the SSH agent or key file
};

// Whom to trust. Verification is never switched off: an empty CAFile means the system's
// certificate authorities, an empty KnownHostsFile means ~/.ssh/known_hosts.
struct FtpSecurity {
    std::string CAFile;         // FTPS: an extra certificate authority (PEM)
    std::string KnownHostsFile; // SFTP: the known host keys
    std::string KeyFile;        // SFTP: a private key; empty: ~/.ssh/id_ed25519, id_ecdsa or id_rsa
};

struct FtpTimeouts {
    long ConnectSeconds = 30;  // to open a connection (TLS and SSH handshakes included)
    long ResponseSeconds = 30; // for the server to answer a command
    long StalledSeconds = 60;  // a transfer that moves no byte this long is given up
};

class FtpSession {
public:
    explicit FtpSession(RunHost& host);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    FtpTimeouts Timeouts;
    FtpSecurity Security;
    // The most one listing, or the replies to one command, may hold; a server that sends more
    // (an endless listing) is cut off with a message.
    int64_t ReplyLimit = 64LL * 1024 * 1024;

    // The session: the library set up for direct, passive, uncached FTP.
    bool OpenSession();
    bool SessionOpen() const { return session_ && !closeRequested_; }

    // The main connection: logs in and learns the directory the server starts in. On failure
    // LastError() says why and nothing stays open of the connection.
    bool OpenConnection(const FtpServerAddress& address);
    bool ConnectionOpen() const { return main_ != nullptr && !closeRequested_; }
    // What the last OpenConnection was asked for, the port resolved (0 became 21 or 22).
    const FtpServerAddress& Address() const { return address_; }
    FtpScheme Scheme() const { return scheme_; }

    // Closes the main connection and the session. Called while a command runs (a Cancel or
    // Close button handled while events are processed), it stops that command, which then
    // fails, and the handles are closed as soon as the library has returned.
    void Close();

    // The failure of the last command: a code of FtpErrors.h and the server's last reply.
    int LastError() const { return lastError_; }
    std::string LastErrorText() const;
    // The last command stopped because the server sent more than ReplyLimit.
    bool ReplyTooLarge() const { return replyTooLarge_; }

    // Where the server is, always ending in "/"; empty when there is no connection.
    std::string GetFtpCurrentDirectory() const;
    // Changes directory, relative to the current one unless the path starts with "/". A
    // failure is not reported: the server simply stays where it was, and the current
    // directory is what the server reports afterwards.
    void SetFtpCurrentDirectory(std::string_view path);

    // Lists a directory (absolute, ending in "/") on a second connection, in the server's
    // order, without "." and "..". onEntry returns false to stop early. False when the
    // listing could not be read (an empty directory is a success).
    bool FindFiles(std::string_view directory, const std::function<bool(const FtpDirEntry&)>& onEntry);
    // Looks one remote file up (absolute path) to learn its size: SIZE on a second FTP
    // connection, and the file's directory listing when the server refuses SIZE (or for
    // SFTP). Nullopt when it does not exist or is not a file.
    std::optional<FtpDirEntry> FindFile(std::string_view remotePath);

    // Downloads one file on the main connection. The bytes go to a temporary file in the
    // target folder that replaces localPath only when the transfer is complete, so a failed
    // or cancelled download leaves no partial file and keeps an earlier file of that name.
    // Progress runs from 0 to the entry's size and never beyond it.
    bool FtpDownloadFile(std::string_view remotePath, const std::string& localPath, const FtpDirEntry& entry,
                         bool failIfExists);

    void ResetTransferCounters();
    int64_t TransferTotal() const { return transferTotal_; }
    int64_t BytesReceived() const { return bytesReceived_; }
    int TransferMode() const { return transferMode_; } // 0 idle, 3 while a download runs
    // True while a command runs; the front end may then only close.
    bool Busy() const { return callDepth_ > 0; }

    // The known-hosts file SFTP host keys are checked against.
    std::string KnownHostsPath() const;

    // The URL libcurl is given for an absolute remote path (exposed for tests).
    std::string UrlFor(std::string_view absolutePath) const;

private:
    struct Call;
    friend struct CallbackAccess;

    // Handles are CURL*: a fresh one for each listing or lookup (the second connection), the
    // persistent main_ for everything else, so its control connection is reused.
    void* OpenListingConnection() const;
    void Configure(void* handle, Call& call, const std::string& url) const;
    // Runs one transfer on the multi handle (the main connection's, or a fresh one for a
    // second connection), checking Cancel and Close between short waits.
    int Perform(void* handle, Call& call, void* multi = nullptr);
    void SetError(int curlResult, const Call& call);
    std::optional<FtpDirEntry> FindFileInListing(std::string_view remotePath);
    void CloseNow();

    RunHost& host_;
    bool session_ = false;
    void* main_ = nullptr;      // CURL*
    void* mainMulti_ = nullptr; // CURLM*: keeps the main connection between commands
    FtpServerAddress address_;
    FtpScheme scheme_ = FtpScheme::Ftp;
    std::string serverHost_; // the host part of the server text
    std::string currentDir_;
    int lastError_ = 0;
    std::string lastResponse_;
    std::string lastDetail_; // a complete message that replaces the table's text
    bool replyTooLarge_ = false;
    bool sizeRefused_ = false; // the server refuses SIZE: files are looked up in listings
    std::atomic<int> callDepth_{0};
    std::atomic<bool> closeRequested_{false};
    int64_t transferTotal_ = 0;
    int64_t bytesReceived_ = 0;
    int transferMode_ = 0;
};

// The directory of a 257 reply (`257 "/a ""b""" is current directory.` gives /a "b");
// nullopt when the line is not one.
std::optional<std::string> ParsePwdReply(std::string_view line);

// An SSH key's fingerprint as ssh-keygen -l shows it: "SHA256:" and the unpadded base64 of
// the SHA-256 digest of the raw key.
std::string SshKeyFingerprint(std::string_view rawKey);

} // namespace trevix
