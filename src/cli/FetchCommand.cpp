#include "FetchCommand.h"

#include "engine/base/AtomicFile.h"
#include "engine/base/Locale.h"
#include "engine/ProgramOptions.h"
#include "engine/read/FileNameTemplate.h"
#include "engine/RunHost.h"
#include "engine/base/TerminalText.h"
#include "engine/SiteProfile.h"
#include "ftp/FtpBrowser.h"
#include "ftp/FtpText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

// Ctrl+C stops the running transfer cleanly (no partial file) instead of killing the process.
class InterruptScope {
public:
    InterruptScope() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptScope() { sigaction(SIGINT, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

// Status texts go to stderr as they appear; the progress bar has no terminal form.
class FetchHost : public RunHost {
public:
    explicit FetchHost(std::ostream& err) : err_(err) {}
    // Statuses carry server replies and remote names: escaped as log text is.
    void SetStatus(std::string_view text) override {
        if (!text.empty() && text != last_) err_ << TerminalText(text) << '\n';
        last_ = text;
    }
    void ShowProgress(bool) override {}
    void SetProgress(long long, long long) override {}
    void ProcessEvents() override {}
    bool IsCancelled() override { return interrupted != 0; }
    void ResetCancel() override {}
    void ShowMessage(MessageIcon, std::string_view, std::string_view text) override { err_ << TerminalText(text) << '\n'; }
    bool AskYesNo(std::string_view, std::string_view) override { return false; }

private:
    std::ostream& err_;
    std::string last_;
};

const char* FetchUsage() {
    return "Usage: trevix-cli fetch (ftp|ftps|sftp)://USER@HOST[:PORT]/PATH/FILE... --to FOLDER\n"
           "                        [--password-file F] [--ca-file F] [--known-hosts F]\n"
           "                        [--rename [--template T] [--site NAME]] [--overwrite]\n"
           "  ftp:// plain FTP; ftps:// FTP with explicit TLS (required, certificate verified);\n"
           "  sftp:// SSH file transfer (host key checked against ~/.ssh/known_hosts).\n"
           "  The password is the first line of F, else the environment variable TREVIX_FTP_PASSWORD;\n"
           "  SFTP without one logs in with the SSH agent or ~/.ssh/id_ed25519, id_ecdsa or id_rsa.\n"
           "  An FTP path is relative to the folder the server logs in to; start it with %2F for an\n"
           "  absolute one. An SFTP path is absolute; start it with /~/ for the login folder.\n"
           "  --ca-file F      also trust the certificate authority in F (PEM) for ftps://\n"
           "  --known-hosts F  check sftp:// host keys against F instead of ~/.ssh/known_hosts\n"
           "  --rename     name the files by the template (default \"%s %d %f\": site, date, file name);\n"
           "               a name already taken in FOLDER is numbered: \"access (2).log\"\n"
           "  --overwrite  replace files of the same name in FOLDER (each one only once it arrived whole)\n"
           "  Without --overwrite or --rename a file of the same name in FOLDER stops the command before\n"
           "  anything is downloaded (exit status 1). A symbolic link, pipe or device of that name is\n"
           "  never written through or replaced. Ctrl+C stops the transfer, keeps no partial file and\n"
           "  exits with status 130.\n";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> PercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0) return std::nullopt;
        out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
        i += 2;
    }
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// Ctrl+C: the transfer under way was stopped and its partial file removed.
int Cancelled(std::ostream& err) {
    err << "Cancelled; the file being downloaded was not kept.\n";
    return 130;
}

struct Group {
    FetchUrl Url;             // the server and folder the files share
    std::vector<std::string> Files;
};

} // namespace

std::optional<FetchUrl> ParseFetchUrl(std::string_view url, std::string& error) {
    FetchUrl result;
    for (const char* scheme : {"ftp", "ftps", "sftp"}) {
        if (StartsWithNoCase(url, std::string(scheme) + "://")) result.Scheme = scheme;
    }
    if (!StartsWithNoCase(url, result.Scheme + "://")) {
        error = "Not an ftp:// address (nor ftps:// or sftp://): " + std::string(url);
        return std::nullopt;
    }
    std::string_view rest = url.substr(result.Scheme.size() + 3);
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    // FTP: a leading "%2F" is the root. SFTP: every path is absolute except after "~/".
    bool absolute = StartsWithNoCase(path, "%2f");
    if (absolute) path.remove_prefix(3);
    if (result.Scheme == "sftp") {
        absolute = !(path == "~" || path.substr(0, 2) == "~/");
        if (!absolute) path.remove_prefix(std::min<size_t>(path.size(), 2));
    }

    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos) {
            error = "Passwords are not taken from the command line; use --password-file or TREVIX_FTP_PASSWORD.";
            return std::nullopt;
        }
        const auto decoded = PercentDecode(user);
        if (!decoded || decoded->empty()) {
            error = "Invalid user name in " + std::string(url);
            return std::nullopt;
        }
        result.User = *decoded;
        authority = authority.substr(at + 1);
    }
    if (!authority.empty() && authority.front() == '[') { // [IPv6]:port
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            error = "Invalid server in " + std::string(url);
            return std::nullopt;
        }
        result.Host = std::string(authority.substr(1, close - 1));
        authority = authority.substr(close + 1);
        if (!authority.empty() && authority.front() != ':') {
            error = "Invalid server in " + std::string(url);
            return std::nullopt;
        }
        if (!authority.empty()) result.Port = std::string(authority.substr(1));
    } else {
        const size_t colon = authority.find(':');
        result.Host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) result.Port = std::string(authority.substr(colon + 1));
    }
    if (result.Host.empty()) {
        error = "No server in " + std::string(url);
        return std::nullopt;
    }
    if (result.Port.find_first_not_of("0123456789") != std::string::npos || result.Port.size() > 5 ||
        (!result.Port.empty() && std::stoi(result.Port) > 65535)) {
        error = "Invalid port in " + std::string(url);
        return std::nullopt;
    }

    // Segments are decoded one by one, so an encoded "/" inside a file name stays part of
    // the name (and is refused later rather than opening another folder).
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const auto decoded = PercentDecode(path.substr(start, end - start));
        if (!decoded) {
            error = "Invalid %-escape in " + std::string(url);
            return std::nullopt;
        }
        segments.push_back(*decoded);
        start = end + 1;
    }
    result.File = segments.back();
    segments.pop_back();
    if (result.File.empty()) {
        error = "No file name in " + std::string(url);
        return std::nullopt;
    }
    if (absolute) result.Directory = "/";
    for (const std::string& segment : segments) {
        if (segment.empty()) continue;
        if (!result.Directory.empty() && result.Directory.back() != '/') result.Directory += '/';
        result.Directory += segment;
    }
    return result;
}

std::string ResolveRemoteFolder(std::string_view loginFolder, std::string_view directory) {
    if (!directory.empty() && directory.front() == '/') return NormalRemoteFolder(directory);
    return NormalRemoteFolder(std::string(loginFolder) + "/" + std::string(directory));
}

std::string PrepareDownloadFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT) return SystemErrorText(errno);
        // One level, as the window does: a mistyped parent is not made.
        if (::mkdir(folder.c_str(), 0777) != 0) return "cannot be created: " + SystemErrorText(errno);
        return {};
    }
    if (!S_ISDIR(st.st_mode)) return "is not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return "cannot be written to: " + SystemErrorText(errno);
    return {};
}

int RunFetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<FetchUrl> urls;
    std::string folder, passwordFile, site, knownHosts;
    ProgramOptions options;
    bool overwrite = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            out << FetchUsage();
            return 0;
        } else if (arg == "--to" && hasValue) {
            folder = args[++i];
        } else if (arg == "--password-file" && hasValue) {
            passwordFile = args[++i];
        } else if (arg == "--rename") {
            options.FTPRename = true;
        } else if (arg == "--overwrite") {
            overwrite = true;
        } else if (arg == "--template" && hasValue) {
            options.RenameTemplate = args[++i];
        } else if (arg == "--site" && hasValue) {
            site = args[++i];
        } else if (arg == "--ca-file" && hasValue) {
            options.FTPCAFile = args[++i];
        } else if (arg == "--known-hosts" && hasValue) {
            knownHosts = args[++i];
        } else if (arg.rfind("--password", 0) == 0 && arg != "--password-file") {
            err << "Passwords are not taken from the command line; use --password-file or TREVIX_FTP_PASSWORD.\n";
            return 2;
        } else if (arg.rfind("-", 0) == 0) {
            err << "Unknown or incomplete option: " << arg << "\n" << FetchUsage();
            return 2;
        } else {
            std::string error;
            const auto url = ParseFetchUrl(arg, error);
            if (!url) {
                err << error << "\n";
                return 2;
            }
            urls.push_back(*url);
        }
    }
    if (urls.empty() || folder.empty()) {
        err << FetchUsage();
        return 2;
    }

    // The download folder is checked (or made, one level deep) before any connection.
    if (const std::string why = PrepareDownloadFolder(folder); !why.empty()) {
        err << "Download folder " << folder << ": " << why << "\n";
        return 2;
    }

    std::string password;
    if (!passwordFile.empty()) {
        // As ssh does with keys: a secret others can read is refused.
        struct stat st {};
        if (::stat(passwordFile.c_str(), &st) == 0 && (st.st_mode & 077) != 0) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
            err << "The password file " << passwordFile << " is readable by others (mode " << mode
                << "); make it private with: chmod 600 " << passwordFile << "\n";
            return 2;
        }
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in) {
            err << "Cannot read the password file " << passwordFile << ": " << SystemErrorText(errno) << "\n";
            return 2;
        }
        std::getline(in, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
    } else if (const char* env = std::getenv("TREVIX_FTP_PASSWORD")) {
        password = env;
    }

    // Every target is checked before any connection, so a refusal downloads nothing.
    const std::string today = TodayShortDate(Locale::Fixed());
    std::set<std::string> targets;
    for (const FetchUrl& url : urls) {
        const std::string name = options.FTPRename ? RenameFile(url.File, "", options.RenameTemplate,
                                                                site.empty() ? url.Host : site, today)
                                                   : url.File;
        if (!IsPlainFileName(name)) continue; // refused with its reason when its turn comes
        const std::string path = EnsureTrailingPathSeparator(folder) + name;
        if (const std::string problem = DownloadTargetProblem(path); !problem.empty()) {
            err << TerminalText(NotReplacedText(path, problem)) << "\n";
            return 1;
        }
        if (options.FTPRename) continue; // a name taken is numbered
        if (!targets.insert(path).second) {
            err << "Two addresses would both be saved as " << TerminalText(path) << "; nothing was downloaded.\n";
            return 1;
        }
        std::error_code error;
        if (!overwrite && std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found) {
            err << TerminalText(path) << " already exists; nothing was downloaded (--overwrite replaces it, "
                << "--rename keeps both).\n";
            return 1;
        }
    }

    // Consecutive files of one server and folder go in one download command.
    std::vector<Group> groups;
    for (const FetchUrl& url : urls) {
        if (!groups.empty()) {
            const FetchUrl& g = groups.back().Url;
            if (g.Scheme == url.Scheme && g.User == url.User && g.Host == url.Host && g.Port == url.Port &&
                g.Directory == url.Directory) {
                groups.back().Files.push_back(url.File);
                continue;
            }
        }
        groups.push_back({url, {url.File}});
    }

    InterruptScope interrupt;
    FetchHost host(err);
    FtpBrowser browser(host, options, nullptr);
    browser.KnownHostsFile = knownHosts;
    browser.TodayText = [today] { return today; };
    // Only a file that appeared after the check above gets here without --overwrite.
    browser.OnFileExists = [&](const std::string&) {
        return overwrite ? FileExistsChoice::Replace
                         : options.FTPRename ? FileExistsChoice::KeepBoth : FileExistsChoice::Skip;
    };
    SiteProfile profile;
    std::string loginFolder;
    const FetchUrl* connectedTo = nullptr;
    for (const Group& group : groups) {
        const FetchUrl& url = group.Url;
        if (!connectedTo || connectedTo->Scheme != url.Scheme || connectedTo->User != url.User ||
            connectedTo->Host != url.Host || connectedTo->Port != url.Port) {
            if (browser.HandlesOpen()) browser.CloseConnection(true);
            const std::string host = url.Host.find(':') != std::string::npos ? "[" + url.Host + "]" : url.Host;
            const std::string server = url.Scheme == "ftp" ? url.Host : url.Scheme + "://" + host;
            browser.Fields = {server, url.User, password, url.Port, "", folder};
            profile.SiteName = site.empty() ? url.Host : site;
            browser.Connect(&profile);
            if (interrupted) return Cancelled(err);
            if (!browser.Connected()) return 2; // the reason is already on stderr
            connectedTo = &url;
            loginFolder = browser.Fields.Directory;
        }
        const std::string remoteFolder = ResolveRemoteFolder(loginFolder, url.Directory);
        if (browser.Fields.Directory != remoteFolder) {
            browser.ChangePath2(remoteFolder);
            // The browser keeps going where a folder cannot be entered; a script must not
            // fetch a same-named file from another folder.
            if (interrupted) return Cancelled(err);
            if (browser.Fields.Directory != remoteFolder) {
                err << "Cannot open the remote folder " << TerminalText(remoteFolder) << "\n";
                return 2;
            }
        }
        const DownloadOutcome outcome = browser.Download(&profile, group.Files, AfterDownloadChoice::DoNothing);
        for (const std::string& file : outcome.DownloadedFiles) out << file << '\n';
        // A cancelled transfer fails like any other; the status says it was the user.
        if (interrupted) return Cancelled(err);
        if (!outcome.SkippedFiles.empty()) {
            for (const std::string& name : outcome.SkippedFiles)
                err << "Not downloaded: " << TerminalText(ServerText(name))
                    << " appeared in the download folder meanwhile (--overwrite replaces it).\n";
            return 1;
        }
        if (!outcome.Succeeded) {
            switch (outcome.Reason) {
            case DownloadOutcome::Failure::NotFound:
                err << "Not found: " << TerminalText(remoteFolder) << TerminalText(ServerText(outcome.FailedName));
                if (!outcome.Detail.empty()) err << " (" << TerminalText(outcome.Detail) << ")";
                err << "\n";
                break;
            case DownloadOutcome::Failure::TransferFailed:
                if (!outcome.Detail.empty()) err << TerminalText(outcome.Detail) << "\n";
                break;
            case DownloadOutcome::Failure::NotConnected:
                err << "The connection was closed.\n";
                break;
            default: break; // the status text said it
            }
            return 2;
        }
    }
    browser.CloseConnection(true);
    return 0;
}

} // namespace trevix
