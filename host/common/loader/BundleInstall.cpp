#include "host/common/loader/BundleInstall.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "host/common/loader/ModuleLoader.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace host {

namespace {

// The build's files live on the host, outside any device root, so they are
// read directly rather than through the device-path helpers.
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

bool installBuiltBundle(const BuiltBundle& bundle, std::string* error)
{
    const std::string builtModule = findBuiltModule(bundle.builtModule);
    if (builtModule.empty())
        return fail(error, "no built " + bundle.builtModule + " beside the program (or in $QUORVEL_BIN_DIR)");
    const std::string builtFolder = (std::filesystem::path(builtModule).parent_path() / bundle.builtFolder).string();
    const auto module = readHostFile(builtModule);
    if (!module)
        return fail(error, "cannot read " + builtModule);
    const auto info = readHostFile(builtFolder + "/Info.plist");
    if (!info)
        return fail(error, "no built Info.plist at " + builtFolder);
    std::vector<std::string> resources;
    for (const std::string& name : bundle.resources) {
        auto bytes = readHostFile(builtFolder + "/" + name);
        if (!bytes)
            return fail(error, "no built " + name + " at " + builtFolder);
        resources.push_back(std::move(*bytes));
    }

    const auto parsed = platform::parsePropertyList(*info);
    const platform::Value executable = parsed ? (*parsed)["CFBundleExecutable"] : platform::Value();
    if (!executable.string() || executable.string()->empty() || executable.string()->find('/') != std::string::npos)
        return fail(error, "the built Info.plist names no usable CFBundleExecutable");

    const std::string& device = bundle.devicePath;
    if (!platform::createDirectories(device))
        return fail(error, "cannot create " + device + " on the device");
    // Info.plist last: until it is there the bundle names no principal class.
    if (!platform::writeFileAtomically(device + "/" + *executable.string(), *module))
        return fail(error, "cannot copy the " + bundle.moduleRole + " into " + device);
    for (size_t i = 0; i < resources.size(); ++i)
        if (!platform::writeFileAtomically(device + "/" + bundle.resources[i], resources[i]))
            return fail(error, "cannot copy " + bundle.resources[i] + " into " + device);
    if (!platform::writeFileAtomically(device + "/Info.plist", *info))
        return fail(error, "cannot copy Info.plist into " + device);
    return true;
}

} // namespace host
