#include "AnonymiseKeyFile.h"

#include "engine/tables/Anonymise.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

namespace {
// A key file is small; anything far larger is not one.
constexpr off_t MaxKeyFileSize = 64 * 1024;

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}
} // namespace

bool ReadAnonymiseKeyFile(const std::string& path, std::string& hexKey, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot read the key file " + path + ": " + std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "the key file " + path + " is not a regular file";
        return false;
    }
    // A key others can read is no secret: it would let them undo the hashes of a report.
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = "the key file " + path + " can be read or changed by others (mode " + OctalMode(st.st_mode) +
                "); make it its owner's alone: chmod 600 " + path;
        return false;
    }
    if (st.st_size > MaxKeyFileSize) {
        error = "the key file " + path + " is too large to be a key";
        return false;
    }
    std::string content(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    content.resize(got);

    const size_t first = content.find_first_not_of(" \t\r\n");
    const size_t last = content.find_last_not_of(" \t\r\n");
    if (first != std::string::npos && AnonymiseKeyFromHex(std::string_view(content).substr(first, last - first + 1))) {
        hexKey = content.substr(first, last - first + 1);
        return true;
    }
    if (content.size() < AnonymiseKeyBytes) {
        error = "the key file " + path + " holds no key: it needs 64 hex digits or at least 32 bytes";
        return false;
    }
    static constexpr char Digits[] = "0123456789abcdef";
    hexKey.clear();
    for (unsigned char c : content) {
        hexKey += Digits[c >> 4];
        hexKey += Digits[c & 15];
    }
    return true;
}

} // namespace trevix
