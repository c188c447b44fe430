#include "platform/foundation/Files.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool g_durableWrites = true;

// Closes the descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int close()
    {
        int result = 0;
        if (m_fd >= 0)
            result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const std::string& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void logWriteFailure(const std::string& devicePath, const char* step, int error)
{
    QLog("Qvl: could not write %@ (%s): %s", devicePath, step, std::strerror(error));
}

} // namespace

bool fileExists(const std::string& devicePath)
{
    std::string path = hostPath(devicePath);
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool isReadableFile(const std::string& devicePath)
{
    std::string path = hostPath(devicePath);
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

std::optional<std::string> readFile(const std::string& devicePath)
{
    std::string path = hostPath(devicePath);
    if (path.empty())
        return std::nullopt;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return std::nullopt;
    std::string bytes;
    if (info.st_size > 0)
        bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}

bool writeFileAtomically(const std::string& devicePath, const std::string& bytes)
{
    std::string path = hostPath(devicePath);
    if (path.empty())
        return false;
    std::string folder = folderOf(path);

    // The temporary file lives beside the target so the rename stays within
    // one file system and is atomic. A crash before the rename leaves only this
    // stray file; the target is never half written.
    std::string tempPath = folder + "/." + nameOf(path) + ".tmp.XXXXXX";
    std::vector<char> tempName(tempPath.begin(), tempPath.end());
    tempName.push_back('\0');
    FileDescriptor fd(::mkstemp(tempName.data()));
    if (!fd.valid()) {
        logWriteFailure(devicePath, "create", errno);
        return false;
    }
    tempPath = tempName.data();
    auto fail = [&](const char* step) {
        int error = errno;
        fd.close();
        ::unlink(tempPath.c_str());
        logWriteFailure(devicePath, step, error);
        return false;
    };

    // mkstemp makes the file private; stores are shared by processes like any
    // preferences file.
    if (::fchmod(fd.get(), 0644) != 0)
        return fail("chmod");
    if (!writeAll(fd.get(), bytes))
        return fail("write");
    if (g_durableWrites && ::fsync(fd.get()) != 0)
        return fail("sync");
    if (fd.close() != 0)
        return fail("close");
    if (::rename(tempPath.c_str(), path.c_str()) != 0)
        return fail("rename");

    if (!g_durableWrites)
        return true;
    // Make the rename itself durable. The new file is already in place, so a
    // failure here is logged but the write counts as done.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid() || ::fsync(dir.get()) != 0)
        logWriteFailure(devicePath, "sync folder", errno);
    return true;
}

void setDurableWrites(bool on)
{
    g_durableWrites = on;
}

std::optional<std::string> symbolicLinkDestination(const std::string& devicePath)
{
    std::string path = hostPath(devicePath);
    if (path.empty())
        return std::nullopt;
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= (1u << 20))
            return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

bool createDirectories(const std::string& devicePath)
{
    std::string path = hostPath(devicePath);
    if (path.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

} // namespace platform
