#include "platform/foundation/DevicePaths.h"

#include "platform/foundation/Log.h"

#include <vector>

namespace platform {

namespace {

std::string& rootStorage()
{
    static std::string root;
    return root;
}

// The refusal target: inside the root, so even a write to it stays in the
// device, and named so that it stands out in a listing.
std::string refusedPath()
{
    return rootStorage() + "/.invalid";
}

// Whether the walk below would give the path back unchanged: no empty, "."
// or ".." part and no trailing slash. Most paths are such constants, and
// mapping them is then one concatenation.
bool isPlainPath(const std::string& path)
{
    if (path.size() < 2 || path.back() == '/')
        return false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '/')
            continue;
        const size_t part = i + 1;
        if (part == path.size() || path[part] == '/')
            return false;
        if (path[part] == '.') {
            const bool dot = part + 1 == path.size() || path[part + 1] == '/';
            const bool dots = path[part + 1] == '.' && (part + 2 == path.size() || path[part + 2] == '/');
            if (dot || dots)
                return false;
        }
    }
    return true;
}

} // namespace

void setDeviceRoot(const std::string& hostFolder)
{
    std::string root = hostFolder;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    rootStorage() = root;
}

const std::string& deviceRoot()
{
    return rootStorage();
}

std::string hostPath(const std::string& devicePath)
{
    if (rootStorage().empty()) {
        // No device yet: an empty path fails every file call, where any real
        // path could reach the host's own file system.
        QLog("Qvl: no device root set, refusing device path %@", devicePath);
        return {};
    }
    if (devicePath.empty() || devicePath.front() != '/' || devicePath.find('\0') != std::string::npos) {
        QLog("Qvl: refusing device path %@: not absolute", devicePath);
        return refusedPath();
    }
    if (isPlainPath(devicePath))
        return rootStorage() == "/" ? devicePath : rootStorage() + devicePath;
    // Resolve "." and ".." lexically; a ".." at the top would climb out of the root.
    std::vector<std::string> parts;
    size_t start = 1;
    while (start <= devicePath.size()) {
        size_t slash = devicePath.find('/', start);
        if (slash == std::string::npos)
            slash = devicePath.size();
        std::string part = devicePath.substr(start, slash - start);
        if (part == "..") {
            if (parts.empty()) {
                QLog("Qvl: refusing device path %@: outside the device root", devicePath);
                return refusedPath();
            }
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = slash + 1;
    }
    std::string out = rootStorage() == "/" ? std::string() : rootStorage();
    for (const std::string& part : parts)
        out += "/" + part;
    if (parts.empty())
        out += "/";
    return out;
}

} // namespace platform
