#include "FtpTestServer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

extern char** environ;

namespace trevix::test {

ScriptServer::ScriptServer(std::vector<std::string> args) {
    if (args.empty() || args[0].empty()) {
        error_ = "no interpreter for the test server was found when the build was configured";
        return;
    }
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        error_ = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    if (rc != 0) {
        pid_ = -1;
        close(out[0]);
        error_ = "cannot start " + args[0];
        return;
    }
    // The server prints its port once it listens.
    std::string line;
    pollfd pfd{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&pfd, 1, 20000) > 0) {
        char buf[64];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) error_ = "the test server " + args[1] + " did not start (output: '" + line + "')";
}

ScriptServer::~ScriptServer() {
    if (stdinFd_ >= 0) close(stdinFd_); // end of input stops the server
    if (pid_ > 0) {
        // A moment to stop on its own (the FTPS script then stops its vsftpd), then firmly.
        int status = 0;
        for (int i = 0; i < 40 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(25000);
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, &status, 0);
        }
    }
}

namespace {
std::vector<std::string> FtpServerArgs(bool refuseSize, int extraMegabytes, bool hostile) {
    std::vector<std::string> args = {TREVIX_FTP_PYTHON, TREVIX_FTP_SERVER_SCRIPT, kFtpUser, kFtpPassword};
    if (refuseSize) args.push_back("--refuse-size");
    if (hostile) args.push_back("--hostile");
    if (extraMegabytes > 0) {
        args.push_back("--extra-mb");
        args.push_back(std::to_string(extraMegabytes));
    }
    return args;
}

std::string MakeWorkFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trevix-srv-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
}
} // namespace

FtpTestServer::FtpTestServer(bool refuseSize, int extraMegabytes, bool hostile)
    : ScriptServer(FtpServerArgs(refuseSize, extraMegabytes, hostile)) {}

int RunProgram(const std::vector<std::string>& args, std::string* output) {
    int out[2];
    if (pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, copy[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while (rc == 0 && (n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(out[0]);
    if (output) *output = text;
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BuildSmallTree(const std::string& root) {
    std::filesystem::create_directories(root + "/logs/sub");
    std::filesystem::create_directories(root + "/big");
    WriteFile(root + "/readme.txt", "Test server for log downloads.\n");
    WriteFile(root + "/logs/access.log", ServerAccessLog());
    WriteFile(root + "/logs/error log.txt", "[error] something odd\r\n[error] something else\r\n");
    WriteFile(root + "/logs/sub/old.log", ServerAccessLog(3));
    WriteFile(root + "/big/big.bin", ServerPatternBytes(kEncryptedBigSize, 3));
}

FtpsTestServer::FtpsTestServer(const std::string& folder, bool selfSigned) {
    if (geteuid() != 0) {
        skip_ = "the FTPS tests run vsftpd, which needs root (CI runs as root)";
        return;
    }
    if (access("/usr/sbin/vsftpd", X_OK) != 0) {
        skip_ = "vsftpd is not installed (scripts/install-deps.sh installs it)";
        return;
    }
    work_ = MakeWorkFolder();
    std::vector<std::string> args = {"/bin/bash", TREVIX_FTPS_SERVER_SCRIPT, folder, work_, kFtpPassword};
    if (selfSigned) args.push_back("self-signed");
    server_ = std::make_unique<ScriptServer>(args);
}

SftpTestServer::SftpTestServer(const std::string& folder, const std::string& clientKey) {
    work_ = MakeWorkFolder();
    const std::string key = work_ + "/host_ed25519";
    if (RunProgram({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "test host", "-f", key}) != 0) {
        error_ = "ssh-keygen failed";
        return;
    }
    publicKey_ = ReadFile(key + ".pub");
    publicKey_ = publicKey_.substr(0, publicKey_.rfind(' ')); // without the comment
    std::string listing;
    RunProgram({"ssh-keygen", "-l", "-E", "sha256", "-f", key + ".pub"}, &listing);
    const size_t at = listing.find("SHA256:");
    if (at != std::string::npos) fingerprint_ = listing.substr(at, listing.find(' ', at) - at);
    std::vector<std::string> args = {TREVIX_FTP_PYTHON, TREVIX_SFTP_SERVER_SCRIPT, folder, key, kFtpUser, kFtpPassword};
    if (!clientKey.empty()) {
        if (RunProgram({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", clientKey}) != 0) {
            error_ = "ssh-keygen failed for the client key";
            return;
        }
        args.push_back(clientKey + ".pub");
    }
    server_ = std::make_unique<ScriptServer>(args);
}

std::string SftpTestServer::KnownHostsLine() const {
    return "[127.0.0.1]:" + std::to_string(Port()) + " " + publicKey_ + "\n";
}

std::string ServerAccessLog(int lines) {
    std::string text;
    char buf[256];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(buf, sizeof buf,
                      "10.0.%d.%d - - [10/Oct/2000:13:%02d:%02d -0700] \"GET /page%d.html HTTP/1.0\" 200 %d "
                      "\"http://example.com/\" \"Mozilla/4.08\"\n",
                      i / 250, i % 250, (i / 60) % 60, i % 60, i, 100 + i);
        text += buf;
    }
    return text;
}

std::string ServerPatternBytes(size_t size, int seed) {
    std::string block(65521, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(((i * 7919 + static_cast<size_t>(seed)) ^ (i >> 8)) & 0xFF);
    std::string out;
    while (out.size() < size) out += block;
    out.resize(size);
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trevix-ftp-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void RecordingHost::SetProgress(long long value, long long maximum) {
    ProgressValues.push_back(value);
    ProgressMaximums.push_back(maximum);
    if (CancelAfterBytes >= 0 && value > CancelAfterBytes) Cancelled = true;
}

void RecordingHost::ProcessEvents() {
    ++EventsProcessed;
    if (OnEvents) OnEvents();
}

bool RecordingHost::SawStatus(std::string_view text) const {
    return std::find(Statuses.begin(), Statuses.end(), text) != Statuses.end();
}

SilentListener::SilentListener(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 8) != 0) return;
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

SilentListener::~SilentListener() {
    if (fd_ >= 0) close(fd_);
}

} // namespace trevix::test
