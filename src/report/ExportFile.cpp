#include "ExportFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

bool ReplaceFileWith(const std::string& path, std::string_view content, std::string& error) {
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; an export is an ordinary document, readable as the
    // user's umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const char* data = content.data();
    size_t left = content.size();
    int failure = 0;
    while (left > 0 && failure == 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno != EINTR) failure = errno;
            continue;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && std::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        std::remove(temp.c_str());
        error = std::strerror(failure);
        return false;
    }
    return true;
}

} // namespace trevix
