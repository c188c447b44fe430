#include "host/linux/WebAccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace linuxhost {

bool makeWebToken(const std::string& root, std::string* token, std::string* error)
{
    unsigned char bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = std::string("no random bytes: ") + std::strerror(errno);
            return false;
        }
        got += static_cast<size_t>(n);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string made;
    for (unsigned char b : bytes) {
        made += kHex[b >> 4];
        made += kHex[b & 15];
    }
    const std::string path = root + "/" + kWebTokenFile;
    // A fresh file each time: an old one (or a link planted in its place) is
    // removed rather than written through.
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string line = made + "\n";
    const bool written = ::fchmod(fd, 0600) == 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    if (!written) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        return false;
    }
    *token = made;
    return true;
}

} // namespace linuxhost
