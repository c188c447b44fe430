#include "platform/foundation/Files.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
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
    // Gives up the descriptor without closing it.
    int release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
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

// Temporary files are named "." + target name + ".tmp." + the six letters or
// digits mkstemp puts in place of its XXXXXX.
constexpr const char* kTemporaryInfix = ".tmp.";
constexpr size_t kTemporarySuffixLength = 6;

std::string temporaryPrefix(const std::string& targetName)
{
    return "." + targetName + kTemporaryInfix;
}

bool isTemporaryOf(std::string_view entry, const std::string& prefix)
{
    if (entry.size() != prefix.size() + kTemporarySuffixLength || entry.substr(0, prefix.size()) != prefix)
        return false;
    for (char c : entry.substr(prefix.size()))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A writer holds an exclusive lock on its temporary file from just after
// creating it until it has renamed it, and a lock goes with the process that
// held it, however it ended. So a temporary file of ours that can be locked is
// one whose writer died (killed or crashed before the rename): it is removed.
// One still locked belongs to a write in progress and is left alone, and so
// is anything that is not a regular file or not named as ours exactly.
void removeStaleTemporaries(const std::string& devicePath, const std::string& folder, const std::string& targetName)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = temporaryPrefix(targetName);
    unsigned removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, prefix))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        // Not following links, and not waiting on a FIFO named like ours.
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat byDescriptor, byName;
        if (!fd.valid() || ::fstat(fd.get(), &byDescriptor) != 0 || !S_ISREG(byDescriptor.st_mode) ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // The name may have been renamed over the target meanwhile and taken again.
        if (::lstat(path.c_str(), &byName) == 0 && sameFile(byName, byDescriptor) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    if (removed > 0)
        QLog("Qvl: removed %u temporary files left by interrupted writes of %@", removed, devicePath);
}

enum class TemporaryLock { held, lost, failed };

// Locks a freshly made temporary file before anything is written to it. A
// cleaner in another process may have taken it for stale in the moment
// between mkstemp and the lock and removed it; then the name no longer leads
// to this file ("lost") and the caller makes another.
TemporaryLock lockTemporary(int fd, const std::string& tempPath)
{
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return TemporaryLock::failed;
    struct stat byDescriptor, byName;
    if (::fstat(fd, &byDescriptor) != 0)
        return TemporaryLock::failed;
    return ::lstat(tempPath.c_str(), &byName) == 0 && sameFile(byDescriptor, byName) ? TemporaryLock::held
                                                                                   : TemporaryLock::lost;
}

// Makes and locks the temporary file for a write of the file `name` in
// `folder`; the descriptor, or -1 (logged) on failure.
int makeLockedTemporary(const std::string& devicePath, const std::string& folder, const std::string& name,
                        std::string& tempPath)
{
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string pattern = folder + "/" + temporaryPrefix(name) + "XXXXXX";
        std::vector<char> tempName(pattern.begin(), pattern.end());
        tempName.push_back('\0');
        FileDescriptor fd(::mkstemp(tempName.data()));
        if (!fd.valid()) {
            logWriteFailure(devicePath, "create", errno);
            return -1;
        }
        tempPath = tempName.data();
        switch (lockTemporary(fd.get(), tempPath)) {
        case TemporaryLock::held:
            return fd.release();
        case TemporaryLock::lost:
            continue;
        case TemporaryLock::failed: {
            int error = errno;
            ::unlink(tempPath.c_str());
            logWriteFailure(devicePath, "lock", error);
            return -1;
        }
        }
    }
    logWriteFailure(devicePath, "lock", EAGAIN);
    return -1;
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
    const std::string folder = folderOf(path);
    const std::string name = nameOf(path);
    removeStaleTemporaries(devicePath, folder, name);

    // The temporary file lives beside the target so the rename stays within
    // one file system and is atomic. A crash before the rename leaves only this
    // stray file, which the next write of the target removes; the target is
    // never half written.
    std::string tempPath;
    FileDescriptor fd(makeLockedTemporary(devicePath, folder, name, tempPath));
    if (!fd.valid())
        return false;
    // The lock belongs to the open file: this second descriptor keeps it until
    // after the rename, while `fd` is closed (and its error seen) before it.
    FileDescriptor lockHolder(::dup(fd.get()));
    auto fail = [&](const char* step) {
        int error = errno;
        fd.close();
        ::unlink(tempPath.c_str());
        logWriteFailure(devicePath, step, error);
        return false;
    };
    if (!lockHolder.valid())
        return fail("lock");

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
    lockHolder.close();

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
