#include "FtpTestServer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace trevix::test {

FtpTestServer::FtpTestServer() {
    std::string python = TREVIX_FTP_PYTHON;
    if (python.empty()) {
        error_ = "no Python with pyftpdlib was found when the build was configured";
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
    std::string script = TREVIX_FTP_SERVER_SCRIPT, user = kFtpUser, password = kFtpPassword;
    char* argv[] = {python.data(), script.data(), user.data(), password.data(), nullptr};
    const int rc = posix_spawn(&pid_, python.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    if (rc != 0) {
        pid_ = -1;
        close(out[0]);
        error_ = "cannot start " + python;
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
    if (port_ <= 0) error_ = "the FTP test server did not start (output: '" + line + "')";
}

FtpTestServer::~FtpTestServer() {
    if (stdinFd_ >= 0) close(stdinFd_); // end of input stops the server
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
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

} // namespace trevix::test
