#include "FtpSession.h"

#include "FtpErrors.h"
#include "FtpSessionInternal.h"
#include "FtpText.h"

#include "engine/RunHost.h"
#include "engine/base/TerminalText.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace trevix {

using ftpsession::DefaultKeyFile;
using ftpsession::LimitText;

bool CallbackAccess::ShouldStop(FtpSession::Call& call) {
    FtpSession& s = *call.Session;
    s.host_.ProcessEvents();
    return s.closeRequested_ || s.host_.IsCancelled();
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

} // namespace trevix
