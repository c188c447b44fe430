#include "sim/settingsapp/PrefBundleInstall.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "sim/loader/ModuleLoader.h"

#include <filesystem>
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

bool installPrefBundle(std::string* error)
{
    const std::string builtModule = findBuiltModule(kPrefBundleBuiltModule);
    if (builtModule.empty())
        return fail(error, std::string("no built ") + kPrefBundleBuiltModule + " beside the program (or in $QUORVEL_BIN_DIR)");
    const std::string builtBundle = (std::filesystem::path(builtModule).parent_path() / kPrefBundleBuiltFolder).string();
    const auto module = readHostFile(builtModule);
    if (!module)
        return fail(error, "cannot read " + builtModule);
    const auto info = readHostFile(builtBundle + "/Info.plist");
    if (!info)
        return fail(error, "no built Info.plist at " + builtBundle);
    const auto specifiers = readHostFile(builtBundle + "/" + kPrefBundleSpecifierList);
    if (!specifiers)
        return fail(error, std::string("no built ") + kPrefBundleSpecifierList + " at " + builtBundle);

    const auto parsed = platform::parsePropertyList(*info);
    const platform::Value executable = parsed ? (*parsed)["CFBundleExecutable"] : platform::Value();
    if (!executable.string() || executable.string()->empty() || executable.string()->find('/') != std::string::npos)
        return fail(error, "the built Info.plist names no usable CFBundleExecutable");

    const std::string bundle = kPrefBundlePath;
    if (!platform::createDirectories(bundle))
        return fail(error, "cannot create " + bundle + " on the device");
    // Info.plist last: until it is there the bundle names no principal class.
    if (!platform::writeFileAtomically(bundle + "/" + *executable.string(), *module))
        return fail(error, "cannot copy the preference bundle's module into " + bundle);
    if (!platform::writeFileAtomically(bundle + "/" + kPrefBundleSpecifierList, *specifiers))
        return fail(error, std::string("cannot copy ") + kPrefBundleSpecifierList + " into " + bundle);
    if (!platform::writeFileAtomically(bundle + "/Info.plist", *info))
        return fail(error, "cannot copy Info.plist into " + bundle);
    return true;
}

} // namespace sim
