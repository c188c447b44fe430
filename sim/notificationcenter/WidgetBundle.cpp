#include "sim/notificationcenter/WidgetBundle.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace sim {

namespace {

std::optional<std::string> readHostFile(const std::string& hostFile)
{
    std::ifstream in(hostFile, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return bytes.str();
}

bool fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

std::string builtModulesFolder()
{
    if (const char* fromEnvironment = std::getenv("QUORVEL_BIN_DIR"); fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return ".";
    std::string path(self, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool installWidgetBundle(std::string* error)
{
    const std::string bin = builtModulesFolder();
    const std::string builtBundle = bin + "/" + kQuorvelBuiltBundleFolder;
    const auto module = readHostFile(bin + "/" + kQuorvelBuiltModule);
    if (!module)
        return fail(error, "no built widget module at " + bin + "/" + kQuorvelBuiltModule);
    const auto info = readHostFile(builtBundle + "/Info.plist");
    if (!info)
        return fail(error, "no built Info.plist at " + builtBundle);
    const auto image = readHostFile(builtBundle + "/background7.png");
    if (!image)
        return fail(error, "no built background7.png at " + builtBundle);

    const auto parsed = platform::parsePropertyList(*info);
    const platform::Value executable = parsed ? (*parsed)["CFBundleExecutable"] : platform::Value();
    if (!executable.string() || executable.string()->empty() || executable.string()->find('/') != std::string::npos)
        return fail(error, "the built Info.plist names no usable CFBundleExecutable");

    const std::string bundle = kQuorvelBundlePath;
    if (!platform::createDirectories(bundle))
        return fail(error, "cannot create " + bundle + " on the device");
    // Info.plist last: until it is there the bundle names no principal class.
    if (!platform::writeFileAtomically(bundle + "/" + *executable.string(), *module))
        return fail(error, "cannot copy the widget module into " + bundle);
    if (!platform::writeFileAtomically(bundle + "/background7.png", *image))
        return fail(error, "cannot copy background7.png into " + bundle);
    if (!platform::writeFileAtomically(bundle + "/Info.plist", *info))
        return fail(error, "cannot copy Info.plist into " + bundle);
    return true;
}

} // namespace sim
