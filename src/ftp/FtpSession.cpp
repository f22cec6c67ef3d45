#include "FtpSession.h"

#include "FtpErrors.h"
#include "FtpText.h"

#include "engine/base/AtomicFile.h"
#include "engine/RunHost.h"
#include "engine/base/TerminalText.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

// What one libcurl call needs in its callbacks.
struct FtpSession::Call {
    FtpSession* Session = nullptr;
    bool Download = false;           // progress goes to the progress bar
    std::FILE* Out = nullptr;        // download target
    int WriteErrno = 0;              // why writing the download failed (disk full)
    const std::function<bool(const FtpDirEntry&)>* OnEntry = nullptr;
    bool StoppedByCaller = false;    // OnEntry asked to stop
    int64_t ShownProgress = -1;
    std::string LastReply;           // the server's last reply line
    std::string LastErrorReply;      // its last 4xx/5xx line: what a refusal says
    std::vector<std::string> Replies;
    curl_slist* Quote = nullptr;
    bool Listing = false;            // the body is a directory listing for OnEntry
    ListingParser Parser;
    // What the server sent besides a download; past the session's ReplyLimit the command stops.
    int64_t ReplyBytes = 0;
    int64_t BodyBytes = 0;
    bool Oversized = false;
    std::string HostKeyMessage;      // why the SSH host key was refused
    char ErrorBuffer[CURL_ERROR_SIZE] = {};
    ~Call() { curl_slist_free_all(Quote); }
};

// The callbacks are plain functions for libcurl; they reach the session through this.
struct CallbackAccess {
    static bool ShouldStop(FtpSession::Call& call) {
        FtpSession& s = *call.Session;
        s.host_.ProcessEvents();
        return s.closeRequested_ || s.host_.IsCancelled();
    }

    static int Progress(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
        auto& call = *static_cast<FtpSession::Call*>(data);
        FtpSession& s = *call.Session;
        if (call.Download && s.transferMode_ == 3) {
            s.bytesReceived_ = dlnow;
            // Without a known size the server's own announcement is the best maximum.
            if (s.transferTotal_ <= 0 && dltotal > 0) s.transferTotal_ = dltotal;
            const int64_t value = std::max<int64_t>(std::min<int64_t>(s.bytesReceived_, s.transferTotal_),
                                                    std::max<int64_t>(call.ShownProgress, 0));
            if (value != call.ShownProgress) {
                call.ShownProgress = value;
                s.host_.SetProgress(value, s.transferTotal_);
            }
        }
        return ShouldStop(call) ? 1 : 0;
    }

    // One entry of a listing for the caller.
    static bool ListEntry(FtpSession::Call& call, const FtpDirEntry& entry) {
        if (call.OnEntry && !(*call.OnEntry)(entry)) {
            call.StoppedByCaller = true;
            return false;
        }
        return true;
    }

    static size_t Write(char* ptr, size_t size, size_t count, void* data) {
        auto& call = *static_cast<FtpSession::Call*>(data);
        const size_t bytes = size * count;
        if (!call.Out) {
            // A listing is held in memory while it is cut into lines; an endless one stops here.
            call.BodyBytes += static_cast<int64_t>(bytes);
            if (call.BodyBytes > call.Session->ReplyLimit) {
                call.Oversized = true;
                return 0;
            }
            if (!call.Listing) return bytes; // replies of commands without a file: not wanted
            return call.Parser.Feed(std::string_view(ptr, bytes),
                                    [&](const FtpDirEntry& entry) { return ListEntry(call, entry); })
                       ? bytes
                       : 0;
        }
        const size_t written = std::fwrite(ptr, 1, bytes, call.Out);
        if (written != bytes) call.WriteErrno = errno ? errno : EIO;
        return written;
    }

    // libcurl hands every server reply line of the control connection here.
    static size_t Header(char* ptr, size_t size, size_t count, void* data) {
        auto& call = *static_cast<FtpSession::Call*>(data);
        const size_t bytes = size * count;
        // A reply that never ends (one line after another) is refused, not collected.
        call.ReplyBytes += static_cast<int64_t>(bytes);
        if (call.ReplyBytes > call.Session->ReplyLimit) {
            call.Oversized = true;
            return 0;
        }
        std::string line(ptr, bytes);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.empty()) return bytes;
        call.LastReply = line;
        if (line[0] == '4' || line[0] == '5') call.LastErrorReply = line;
        call.Replies.push_back(std::move(line));
        return bytes;
    }

    // The SSH host key against the known hosts: only a listed, matching key is accepted.
    static int HostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* data);
};

namespace {

// Whether the last 213 reply among a command's replies is "213 " and digits alone.
bool IsPlainSizeReply(const std::vector<std::string>& replies) {
    for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
        if (it->rfind("213 ", 0) != 0) continue;
        std::string_view digits = std::string_view(*it).substr(4);
        while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
        return !digits.empty() && digits.size() <= 19 && digits.find_first_not_of("0123456789") == std::string_view::npos;
    }
    return false;
}

// rename() that fails with EEXIST instead of replacing an existing target.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: a hard link cannot replace either.
    if (::link(from.c_str(), to.c_str()) != 0) return -1;
    ::unlink(from.c_str());
    return 0;
}

// "64 MB" for a limit of whole megabytes, else its bytes.
std::string LimitText(int64_t limit) {
    constexpr int64_t mb = 1024 * 1024;
    return limit % mb == 0 ? std::to_string(limit / mb) + " MB" : std::to_string(limit) + " bytes";
}

std::string Base64(const unsigned char* bytes, size_t size) {
    std::string out(4 * ((size + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes, static_cast<int>(size));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

std::string KeyTypeName(int type) {
    switch (type) {
    case CURLKHTYPE_RSA1:
    case CURLKHTYPE_RSA: return "RSA";
    case CURLKHTYPE_DSS: return "DSA";
    case CURLKHTYPE_ECDSA: return "ECDSA";
    case CURLKHTYPE_ED25519: return "ED25519";
    default: return "unknown";
    }
}

} // namespace

std::string SshKeyFingerprint(std::string_view rawKey) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(rawKey.data(), rawKey.size(), digest, &length, EVP_sha256(), nullptr)) return {};
    std::string text = Base64(digest, length);
    while (!text.empty() && text.back() == '=') text.pop_back(); // written without padding, as ssh does
    return "SHA256:" + text;
}

int CallbackAccess::HostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* data) {
    auto& call = *static_cast<FtpSession::Call*>(data);
    if (match == CURLKHMATCH_OK) return CURLKHSTAT_FINE;
    std::string raw;
    if (found && found->key) {
        if (found->len > 0) {
            raw.assign(found->key, found->len);
        } else { // base64 text
            const std::string_view text(found->key);
            raw.resize(text.size());
            const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(raw.data()),
                                          reinterpret_cast<const unsigned char*>(text.data()),
                                          static_cast<int>(text.size()));
            raw.resize(n > 0 ? static_cast<size_t>(n) : 0);
            // The decoder counts padding as zero bytes.
            for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && !raw.empty(); --i) raw.pop_back();
        }
    }
    const std::string key = KeyTypeName(found ? found->keytype : CURLKHTYPE_UNKNOWN) + " key " + SshKeyFingerprint(raw);
    const std::string file = call.Session->KnownHostsPath();
    if (match == CURLKHMATCH_MISMATCH) {
        call.HostKeyMessage = "The server's host key has changed: its " + key + " differs from the key in " + file +
                              ". Someone may be intercepting the connection; it was refused.";
    } else {
        call.HostKeyMessage = "The server's host key is not known: " + key +
                              ". Compare it with the fingerprint the server's administrator gives you and add the "
                              "key to " + file + " to connect.";
    }
    return CURLKHSTAT_REJECT;
}

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

std::string PercentEncodePath(std::string_view path) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (IsUnreserved(c) || c == '/') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

// A host text that cannot smuggle anything else into the URL (a user, a path, a port).
bool IsValidHost(std::string_view host) {
    if (host.empty()) return false;
    for (unsigned char c : host)
        if (c <= ' ' || c == 0x7F || std::string_view("/\\?#@%").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Control characters in a command argument would end the command and start another.
bool IsSafeCommandArgument(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

std::string ParentFolder(const std::string& localPath) {
    const std::filesystem::path parent = std::filesystem::path(localPath).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

} // namespace

std::optional<std::string> ParsePwdReply(std::string_view line) {
    if (line.size() < 4 || line.substr(0, 3) != "257" || (line[3] != ' ' && line[3] != '-')) return std::nullopt;
    std::string_view rest = line.substr(4);
    const size_t open = rest.find('"');
    if (open == std::string_view::npos) {
        // Not quoted as the standard asks: the first word is the best guess.
        rest = TrimSpaces(rest);
        const std::string_view word = rest.substr(0, rest.find(' '));
        if (word.empty()) return std::nullopt;
        return std::string(word);
    }
    std::string dir;
    for (size_t i = open + 1; i < rest.size(); ++i) {
        if (rest[i] != '"') {
            dir.push_back(rest[i]);
        } else if (i + 1 < rest.size() && rest[i + 1] == '"') {
            dir.push_back('"'); // a doubled quote is one quote of the name
            ++i;
        } else {
            return dir;
        }
    }
    return std::nullopt; // no closing quote
}

FtpSession::FtpSession(RunHost& host) : host_(host) {}

FtpSession::~FtpSession() {
    closeRequested_ = false;
    CloseNow();
}

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return ".";
}

std::string DefaultKeyFile() {
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        const std::string path = HomeFolder() + "/.ssh/" + name;
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) return path;
    }
    return {};
}

} // namespace

std::string FtpSession::KnownHostsPath() const {
    return Security.KnownHostsFile.empty() ? HomeFolder() + "/.ssh/known_hosts" : Security.KnownHostsFile;
}

bool FtpSession::OpenSession() {
    GlobalInit();
    session_ = true;
    closeRequested_ = false;
    return true;
}

std::string FtpSession::UrlFor(std::string_view absolutePath) const {
    std::string host = serverHost_;
    if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]"; // IPv6 literal
    std::string path(absolutePath);
    if (!path.empty() && path.front() == '/') path.erase(0, 1);
    const std::string authority = host + ":" + std::to_string(address_.Port);
    // SFTP paths are absolute after the host; for FTP "%2F" makes them absolute, where a
    // plain first "/" would start from the login folder.
    if (scheme_ == FtpScheme::Sftp) return "sftp://" + authority + "/" + PercentEncodePath(path);
    return "ftp://" + authority + "/%2F" + PercentEncodePath(path);
}

void FtpSession::Configure(void* handle, Call& call, const std::string& url) const {
    CURL* h = static_cast<CURL*>(handle);
    curl_easy_reset(h); // keeps the cached connection, so the control session survives
    call.Session = const_cast<FtpSession*>(this);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, call.ErrorBuffer);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, scheme_ == FtpScheme::Sftp ? "sftp" : "ftp");
    curl_easy_setopt(h, CURLOPT_USERNAME, address_.Username.c_str());
    curl_easy_setopt(h, CURLOPT_PROXY, ""); // direct access: no proxy from the environment
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, Timeouts.ConnectSeconds);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, Timeouts.ResponseSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, Timeouts.StalledSeconds);
    if (scheme_ == FtpScheme::Sftp) {
        // Password when one is given; otherwise the SSH agent, then the key file.
        if (!address_.Password.empty()) {
            curl_easy_setopt(h, CURLOPT_PASSWORD, address_.Password.c_str());
            curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        } else {
            curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PUBLICKEY));
            const std::string key = Security.KeyFile.empty() ? DefaultKeyFile() : Security.KeyFile;
            if (!key.empty()) curl_easy_setopt(h, CURLOPT_SSH_PRIVATE_KEYFILE, key.c_str()); // libcurl copies it
        }
        const std::string knownHosts = KnownHostsPath();
        curl_easy_setopt(h, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
        curl_easy_setopt(h, CURLOPT_SSH_KEYFUNCTION, &CallbackAccess::HostKey);
        curl_easy_setopt(h, CURLOPT_SSH_KEYDATA, &call);
    } else {
        curl_easy_setopt(h, CURLOPT_PASSWORD, address_.Password.c_str());
        // Full paths in every command: the server's working directory belongs to the
        // browser's own CWD/PWD commands, and libcurl never relies on where it thinks the
        // server is.
        curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CallbackAccess::Header);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &call);
        if (scheme_ == FtpScheme::Ftps) {
            // Explicit TLS on control and data connections, or no connection at all.
            curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
            if (!Security.CAFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, Security.CAFile.c_str());
        }
    }
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CallbackAccess::Progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &call);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CallbackAccess::Write);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &call);
}

int FtpSession::Perform(void* handle, Call& call, void* multi) {
    call.Session = this;
    CURL* h = static_cast<CURL*>(handle);
    CURLM* m = static_cast<CURLM*>(multi);
    const bool ownMulti = m == nullptr;
    if (ownMulti) m = curl_multi_init();
    if (!m) {
        lastError_ = FtpErrorOutOfHandles;
        return CURLE_OUT_OF_MEMORY;
    }
    ++callDepth_;
    curl_multi_add_handle(m, h);
    // libcurl calls the progress callback only about once a second while nothing arrives
    // (during a connect, for one); short waits here keep Cancel and Close prompt.
    CURLcode rc = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(m, &running) != CURLM_OK) {
            rc = CURLE_FAILED_INIT;
            break;
        }
        bool done = false;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
                rc = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0) break;
        if (CallbackAccess::ShouldStop(call)) {
            rc = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(m, nullptr, 0, 50, nullptr);
    }
    curl_multi_remove_handle(m, h);
    if (ownMulti) curl_multi_cleanup(m);
    --callDepth_;
    SetError(rc, call);
    // A close asked for during the call happens now; a listing handle is its caller's.
    if (closeRequested_ && callDepth_ == 0) CloseNow();
    return rc;
}

void FtpSession::SetError(int curlResult, const Call& call) {
    lastError_ = FtpErrorCodeFromCurl(curlResult);
    lastResponse_ = call.LastErrorReply.empty() ? call.LastReply : call.LastErrorReply;
    lastDetail_.clear();
    const std::string library = call.ErrorBuffer;
    replyTooLarge_ = call.Oversized;
    if (call.Oversized) {
        lastError_ = FtpErrorServerReply;
        lastDetail_ = "The server's answer is larger than " + LimitText(ReplyLimit) + "; it was refused.";
        return;
    }
    switch (curlResult) {
    case CURLE_OK:
    case CURLE_ABORTED_BY_CALLBACK: break;
    case CURLE_OPERATION_TIMEDOUT: {
        const long seconds = main_ && curlResult == CURLE_OPERATION_TIMEDOUT && scheme_ != FtpScheme::Sftp
                                 ? std::min(Timeouts.ResponseSeconds, Timeouts.ConnectSeconds)
                                 : Timeouts.ConnectSeconds;
        lastDetail_ = "The request has timed out. The server did not answer within " + std::to_string(seconds) +
                      (seconds == 1 ? " second." : " seconds.");
        break;
    }
    case CURLE_PEER_FAILED_VERIFICATION:
        if (!call.HostKeyMessage.empty()) {
            lastError_ = FtpErrorHostKey;
            lastDetail_ = call.HostKeyMessage;
        } else if (scheme_ == FtpScheme::Sftp) {
            lastError_ = FtpErrorHostKey;
            lastDetail_ = "The server's host key could not be checked against " + KnownHostsPath() + ".";
        } else {
            lastDetail_ = "The server's certificate is not trusted (" + library + ")." +
                          (Security.CAFile.empty()
                               ? " For a private certificate authority, name its file in the options."
                               : " It is not signed by the certificate authority in " + Security.CAFile + ".");
        }
        break;
    case CURLE_USE_SSL_FAILED:
        lastDetail_ = "The server does not offer FTP over TLS, which an ftps:// server text requires.";
        break;
    case CURLE_SSL_CACERT_BADFILE:
        lastDetail_ = "The certificate authority file " + Security.CAFile + " could not be read.";
        break;
    default:
        if (scheme_ == FtpScheme::Sftp) {
            // SSH has no reply lines; libcurl's own text is the best account of a refusal.
            if (curlResult == CURLE_LOGIN_DENIED)
                lastDetail_ = address_.Password.empty()
                                  ? "Login denied: the server accepted neither the SSH agent's keys nor the key file."
                                  : "Login denied: the server refused the user name or password.";
            else if (lastError_ == FtpErrorServerReply && lastResponse_.empty())
                lastResponse_ = library;
            else if (lastError_ == FtpErrorSecureChannel && !library.empty())
                lastDetail_ = "A secure connection to the server could not be made (" + library + ").";
        } else if (lastError_ == FtpErrorSecureChannel && !library.empty()) {
            lastDetail_ = "A secure connection to the server could not be made (" + library + ").";
        }
        break;
    }
}

void FtpSession::Close() {
    if (callDepth_ > 0) {
        closeRequested_ = true; // the running command stops at its next callback
        return;
    }
    CloseNow();
}

void FtpSession::CloseNow() {
    if (main_) curl_easy_cleanup(static_cast<CURL*>(main_));
    main_ = nullptr;
    if (mainMulti_) curl_multi_cleanup(static_cast<CURLM*>(mainMulti_));
    mainMulti_ = nullptr;
    session_ = false;
    closeRequested_ = false;
    currentDir_.clear();
    transferMode_ = 0;
}

std::string FtpSession::LastErrorText() const {
    // Replies, certificate names and listings come from the server: shown escaped, they can
    // neither drive a terminal nor reorder the status line.
    return ServerText(lastDetail_.empty() ? FtpErrorText(lastError_, lastResponse_) : lastDetail_);
}

bool FtpSession::OpenConnection(const FtpServerAddress& address) {
    lastError_ = FtpErrorNone;
    lastResponse_.clear();
    lastDetail_.clear();
    if (!SessionOpen() || Busy()) {
        lastError_ = FtpErrorInternal;
        return false;
    }
    if (main_) curl_easy_cleanup(static_cast<CURL*>(main_));
    main_ = nullptr;
    if (mainMulti_) curl_multi_cleanup(static_cast<CURLM*>(mainMulti_));
    mainMulti_ = nullptr;
    address_ = address;
    sizeRefused_ = false;
    const FtpServerText server = ParseServerText(address.Server);
    scheme_ = server.Scheme;
    serverHost_ = server.Host;
    if (address_.Port == 0) address_.Port = DefaultFtpPort(scheme_);
    if (!IsValidHost(serverHost_) || address_.Port < 0 || address_.Port > 65535) {
        lastError_ = serverHost_.empty() ? FtpErrorNameNotResolved : FtpErrorInvalidUrl;
        return false;
    }
    CURL* h = curl_easy_init();
    CURLM* m = curl_multi_init();
    if (!h || !m) {
        if (h) curl_easy_cleanup(h);
        if (m) curl_multi_cleanup(m);
        lastError_ = FtpErrorOutOfHandles;
        return false;
    }
    // Logging in with nothing to transfer: libcurl connects, logs in and learns where the
    // server starts (PWD for FTP, the home folder for SFTP).
    Call call;
    Configure(h, call, UrlFor("/"));
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    main_ = h;
    mainMulti_ = m;
    if (Perform(h, call, m) != CURLE_OK) {
        if (main_) curl_easy_cleanup(static_cast<CURL*>(main_));
        main_ = nullptr;
        if (mainMulti_) curl_multi_cleanup(static_cast<CURLM*>(mainMulti_));
        mainMulti_ = nullptr;
        return false;
    }
    if (!main_) return false; // closed while connecting
    const char* entry = nullptr;
    curl_easy_getinfo(h, CURLINFO_FTP_ENTRY_PATH, &entry);
    currentDir_ = EnsureTrailingSlash(entry && *entry ? entry : "/");
    return true;
}

std::string FtpSession::GetFtpCurrentDirectory() const { return ConnectionOpen() ? currentDir_ : std::string(); }


void FtpSession::SetFtpCurrentDirectory(std::string_view path) {
    if (!ConnectionOpen() || Busy() || path.empty() || !IsSafeCommandArgument(path)) return;
    const std::string target = path.front() == '/' ? std::string(path) : currentDir_ + std::string(path);
    Call call;
    if (scheme_ == FtpScheme::Sftp) {
        // SFTP has no working directory: the folder is ours to keep, once it lists.
        const std::string folder = NormalRemoteFolder(target);
        Configure(main_, call, UrlFor(folder));
        curl_easy_setopt(static_cast<CURL*>(main_), CURLOPT_DIRLISTONLY, 1L);
        if (Perform(main_, call, mainMulti_) == CURLE_OK && ConnectionOpen()) currentDir_ = folder;
        return;
    }
    Configure(main_, call, UrlFor("/"));
    curl_easy_setopt(static_cast<CURL*>(main_), CURLOPT_NOBODY, 1L);
    // Start from the current directory so that a failing change leaves the server there;
    // the "*" lets the list go on after a refusal. PWD then says where the server is.
    for (const std::string& command : {"*CWD " + currentDir_, "*CWD " + target, std::string("PWD")})
        call.Quote = curl_slist_append(call.Quote, command.c_str());
    curl_easy_setopt(static_cast<CURL*>(main_), CURLOPT_QUOTE, call.Quote);
    const int rc = Perform(main_, call, mainMulti_);
    if (main_) curl_easy_setopt(static_cast<CURL*>(main_), CURLOPT_QUOTE, nullptr); // the list dies with call
    if (rc != CURLE_OK || !ConnectionOpen()) return;
    for (auto it = call.Replies.rbegin(); it != call.Replies.rend(); ++it) {
        if (auto dir = ParsePwdReply(*it)) {
            currentDir_ = EnsureTrailingSlash(*dir);
            return;
        }
    }
}

void* FtpSession::OpenListingConnection() const {
    if (!SessionOpen() || !main_) return nullptr;
    return curl_easy_init();
}

bool FtpSession::FindFiles(std::string_view directory,
                           const std::function<bool(const FtpDirEntry&)>& onEntry) {
    if (Busy()) return false;
    const bool sftp = scheme_ == FtpScheme::Sftp;
    // One SSH session is enough: SFTP listings run on the main connection.
    if (sftp && !ConnectionOpen()) return false;
    CURL* h = sftp ? static_cast<CURL*>(main_) : static_cast<CURL*>(OpenListingConnection());
    if (!h) return false;
    Call call;
    call.OnEntry = &onEntry;
    call.Listing = true;
    // The LIST reply is read and cut into entries here rather than by libcurl's own parser,
    // which gives up at a name holding a line feed and so hides the entries after it.
    const std::string folder = EnsureTrailingSlash(directory);
    Configure(h, call, UrlFor(folder));
    int rc = sftp ? Perform(h, call, mainMulti_) : Perform(h, call);
    if (!sftp) curl_easy_cleanup(h);
    if (rc == CURLE_OK &&
        !call.Parser.Finish([&](const FtpDirEntry& entry) { return CallbackAccess::ListEntry(call, entry); }))
        rc = CURLE_WRITE_ERROR;
    if (call.Oversized) {
        lastDetail_ = "The listing of " + folder + " is larger than " + LimitText(ReplyLimit) +
                      "; it was refused.";
        return false;
    }
    return rc == CURLE_OK || call.StoppedByCaller;
}

std::optional<FtpDirEntry> FtpSession::FindFileInListing(std::string_view remotePath) {
    const size_t slash = remotePath.rfind('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view("/") : remotePath.substr(0, slash + 1));
    const std::string name(slash == std::string_view::npos ? remotePath : remotePath.substr(slash + 1));
    std::optional<FtpDirEntry> found;
    const bool listed = FindFiles(folder, [&](const FtpDirEntry& entry) {
        if (entry.Name != name) return true;
        if (!entry.IsDirectory) found = entry;
        return false;
    });
    if (!found && listed) {
        lastError_ = FtpErrorItemNotFound;
        lastResponse_.clear();
        lastDetail_.clear();
    }
    return found;
}

std::optional<FtpDirEntry> FtpSession::FindFile(std::string_view remotePath) {
    if (Busy() || remotePath.empty() || remotePath.back() == '/') return std::nullopt;
    // SFTP has no SIZE; a server that refused it once is not asked again.
    if (scheme_ == FtpScheme::Sftp || sizeRefused_)
        return ConnectionOpen() ? FindFileInListing(remotePath) : std::nullopt;
    CURL* h = static_cast<CURL*>(OpenListingConnection());
    if (!h) return std::nullopt;
    Call call;
    Configure(h, call, UrlFor(remotePath));
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L); // SIZE only: the fast way
    const int rc = Perform(h, call);
    curl_off_t size = -1;
    if (rc == CURLE_OK) curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    curl_easy_cleanup(h);
    // libcurl reads the digits at the end of "213 -5" as 5; only a plain number is a size.
    if (size >= 0 && !IsPlainSizeReply(call.Replies)) size = -1;
    if (rc == CURLE_ABORTED_BY_CALLBACK || replyTooLarge_ || !ConnectionOpen() || host_.IsCancelled())
        return std::nullopt;
    // Some servers refuse SIZE ("550 SIZE not allowed here.") or do not know it; the file's
    // directory listing still says whether it exists and how big it is.
    if (rc != CURLE_OK || size < 0) {
        const int error = lastError_;
        const std::string response = lastResponse_;
        auto entry = FindFileInListing(remotePath);
        if (entry && rc != CURLE_OK) sizeRefused_ = true;
        if (!entry) {
            lastError_ = error;
            lastResponse_ = response;
        }
        return entry;
    }
    FtpDirEntry entry;
    const size_t slash = remotePath.rfind('/');
    entry.Name = std::string(slash == std::string_view::npos ? remotePath : remotePath.substr(slash + 1));
    entry.Size = size > 0 ? static_cast<uint64_t>(size) : 0;
    entry.SizeKnown = true;
    return entry;
}

void FtpSession::ResetTransferCounters() {
    bytesReceived_ = 0;
    transferTotal_ = 0;
}

bool FtpSession::FtpDownloadFile(std::string_view remotePath, const std::string& localPath,
                                 const FtpDirEntry& entry, bool failIfExists) {
    if (!ConnectionOpen() || Busy()) return false;
    lastError_ = FtpErrorNone;
    lastResponse_.clear();
    lastDetail_.clear();
    // A link, pipe or device under the target's name is never written through or replaced:
    // the download folder may be shared with others.
    if (const std::string problem = DownloadTargetProblem(localPath); !problem.empty()) {
        lastError_ = FtpErrorInternal;
        lastDetail_ = NotReplacedText(localPath, problem);
        return false;
    }
    struct stat target {};
    if (failIfExists && ::lstat(localPath.c_str(), &target) == 0) {
        lastError_ = EEXIST;
        lastDetail_ = "Not downloaded: " + localPath + " already exists.";
        return false;
    }

    transferTotal_ = static_cast<int64_t>(std::min<uint64_t>(entry.Size, INT64_MAX));
    host_.ShowProgress(true);
    host_.SetProgress(0, transferTotal_);
    host_.ProcessEvents();
    if (!ConnectionOpen()) return false;

    // The bytes land in a hidden temporary file next to the target and take its name only
    // when complete.
    std::string temp = EnsureTrailingPathSeparator(ParentFolder(localPath)) + ".trevix-download-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        lastError_ = FtpErrorInternal;
        lastDetail_ = "Cannot write " + localPath + ": " + std::strerror(errno);
        return false;
    }
    std::FILE* out = fdopen(fd, "wb");
    if (!out) {
        ::close(fd);
        std::remove(temp.c_str());
        lastError_ = FtpErrorInternal;
        return false;
    }

    Call call;
    call.Download = true;
    call.Out = out;
    Configure(main_, call, UrlFor(remotePath));
    // The size a server announces is not trusted to end the transfer: libcurl reads to the
    // end of the data connection (and sends no SIZE of its own), and the count is compared
    // with the size looked up before.
    if (scheme_ != FtpScheme::Sftp) curl_easy_setopt(static_cast<CURL*>(main_), CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    transferMode_ = 3;
    const int rc = Perform(main_, call, mainMulti_);
    transferMode_ = 0;

    int writeError = call.WriteErrno;
    bool ok = rc == CURLE_OK && writeError == 0;
    if (ok) {
        // Files are created as any other program of the user would create them.
        const mode_t mask = umask(0);
        umask(mask);
        // On disk before it takes the log's name, so a crash never leaves a torn file there.
        ok = std::fflush(out) == 0 && fsync(fd) == 0 && fchmod(fd, 0666 & ~mask) == 0;
        if (!ok) writeError = errno ? errno : EIO;
        // A connection that ends early can look like a finished transfer, and a server can
        // announce one size and send another: either way the file is not kept.
        const off_t got = ftello(out);
        if (ok && entry.SizeKnown && got >= 0 && static_cast<uint64_t>(got) != entry.Size) {
            ok = false;
            lastError_ = FtpErrorServerReply;
            lastResponse_ = "The transfer of " + std::string(remotePath) + " ended after " + std::to_string(got) +
                            " bytes, but the server announced " + std::to_string(entry.Size) +
                            " bytes; the file was not kept.";
        }
    }
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        writeError = errno ? errno : EIO;
    }
    if (ok) {
        // Where the caller found no file, one that appeared meanwhile is not replaced.
        ok = (failIfExists ? RenameNoReplace(temp, localPath) : std::rename(temp.c_str(), localPath.c_str())) == 0;
        if (!ok) writeError = errno ? errno : EIO;
    }
    if (!ok) {
        std::remove(temp.c_str());
        if (writeError != 0) {
            // Disk full and the like: the system's reason, not a generic failure.
            lastError_ = FtpErrorInternal;
            lastDetail_ = "Cannot write " + localPath + ": " + std::strerror(writeError);
        }
        if (lastError_ == FtpErrorNone) lastError_ = FtpErrorInternal;
    }
    return ok;
}

} // namespace trevix
