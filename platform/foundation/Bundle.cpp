#include "platform/foundation/Bundle.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace platform {

namespace {

std::string stringFor(const Dict& info, const char* key)
{
    auto it = info.find(key);
    if (it == info.end() || !it->second.string())
        return {};
    return *it->second.string();
}

std::string canonical(const std::string& hostPath)
{
    char resolved[PATH_MAX];
    return realpath(hostPath.c_str(), resolved) ? std::string(resolved) : hostPath;
}

// The device path of a host path under the device root, or nullopt.
std::optional<std::string> devicePathOf(const std::string& hostFile)
{
    std::string root = canonical(deviceRoot());
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    const std::string file = canonical(hostFile);
    if (root.empty() || file.size() <= root.size() || file.compare(0, root.size(), root) != 0 || file[root.size()] != '/')
        return std::nullopt;
    return file.substr(root.size());
}

} // namespace

std::optional<Bundle> Bundle::bundleWithPath(const std::string& devicePath)
{
    std::error_code error;
    if (devicePath.empty() || !std::filesystem::is_directory(hostPath(devicePath), error))
        return std::nullopt;
    std::string path = devicePath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return Bundle(path);
}

std::optional<Bundle> Bundle::bundleContainingAddress(const void* address)
{
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname)
        return std::nullopt;
    std::optional<std::string> library = devicePathOf(info.dli_fname);
    if (!library)
        return std::nullopt;
    const size_t slash = library->rfind('/');
    return bundleWithPath(slash == 0 ? std::string("/") : library->substr(0, slash));
}

std::string Bundle::pathForResource(const std::string& name, const std::string& type) const
{
    const std::string path = m_path + "/" + name + (type.empty() ? "" : "." + type);
    return fileExists(path) ? path : std::string();
}

Dict Bundle::infoDictionary() const { return readDictionary(m_path + "/Info.plist"); }
std::string Bundle::principalClassName() const { return stringFor(infoDictionary(), "NSPrincipalClass"); }
std::string Bundle::executableName() const { return stringFor(infoDictionary(), "CFBundleExecutable"); }

std::string Bundle::executablePath() const
{
    const std::string name = executableName();
    return name.empty() ? std::string() : m_path + "/" + name;
}

} // namespace platform
