#include "host/common/loader/ModuleLoader.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Process.h"
#include "platform/foundation/Log.h"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <utility>

namespace host {

namespace fs = std::filesystem;

namespace {

std::string withoutExtension(const std::string& path)
{
    auto dot = path.rfind('.');
    auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot);
}

} // namespace

ModuleLoader::ModuleLoader(std::string logPrefix)
    : m_logPrefix(std::move(logPrefix))
{
}

ModuleLoader::~ModuleLoader()
{
    unloadAll();
}

bool ModuleLoader::installTweak(const std::string& builtLibrary, const std::string& name,
                                const std::vector<std::string>& bundles)
{
    std::string folder = std::string(kTweakFolder) + "/";
    if (!platform::createDirectories(kTweakFolder))
        return false;
    std::error_code error;
    fs::copy_file(builtLibrary, platform::hostPath(folder + name + ".dylib"), fs::copy_options::overwrite_existing, error);
    if (error)
        return false;
    platform::Array names(bundles.begin(), bundles.end());
    platform::Dict filter{{"Filter", platform::Dict{{"Bundles", names}}}};
    return platform::writeDictionaryAtomically(folder + name + ".plist", filter);
}

bool ModuleLoader::filterNames(const std::string& dylibDevicePath, const std::string& bundleIdentifier)
{
    platform::Value filter = platform::readDictionary(withoutExtension(dylibDevicePath) + ".plist");
    const platform::Array* bundles = filter["Filter"]["Bundles"].array();
    if (!bundles)
        return false;
    return std::any_of(bundles->begin(), bundles->end(), [&](const platform::Value& v) {
        return v.string() && *v.string() == bundleIdentifier;
    });
}

int ModuleLoader::loadTweaksInto(platform::Process& process)
{
    std::error_code error;
    std::vector<std::string> libraries;
    for (const auto& entry : fs::directory_iterator(platform::hostPath(kTweakFolder), error)) {
        std::string file = entry.path().filename().string();
        if (file.size() > 6 && file.ends_with(".dylib"))
            libraries.push_back(std::string(kTweakFolder) + "/" + file);
    }
    // The order of a directory listing is arbitrary; loading order must not be.
    std::sort(libraries.begin(), libraries.end());

    int count = 0;
    for (const std::string& library : libraries) {
        if (!filterNames(library, process.bundleIdentifier())) {
            note("tweak " + library + " is not for " + process.bundleIdentifier() + ", not loaded");
            continue;
        }
        if (load(library, process))
            ++count;
    }
    return count;
}

void* ModuleLoader::load(const std::string& devicePath, platform::Process& process)
{
    note("loading " + devicePath + " into " + process.name());
    void* handle = nullptr;
    {
        platform::ProcessScope in(process);
        handle = dlopen(platform::hostPath(devicePath).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!handle) {
        const char* why = dlerror();
        note("cannot load " + devicePath + ": " + (why ? why : "unknown error"));
        return nullptr;
    }
    m_loaded.push_back(LoadedModule{devicePath, process.name(), handle});
    return handle;
}

void ModuleLoader::unloadAll()
{
    while (!m_loaded.empty()) {
        dlclose(m_loaded.back().handle);
        m_loaded.pop_back();
    }
}

void ModuleLoader::note(const std::string& text) const
{
    platform::writeLogLine(m_logPrefix + text);
}

std::string findBuiltModule(const std::string& fileName)
{
    std::error_code error;
    if (const char* binDir = std::getenv("QUORVEL_BIN_DIR"); binDir && *binDir) {
        fs::path candidate = fs::path(binDir) / fileName;
        if (fs::is_regular_file(candidate, error))
            return candidate.string();
    }
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::path candidate = self.parent_path() / fileName;
        if (fs::is_regular_file(candidate, error))
            return candidate.string();
        // Installed: bin/quorveld beside lib/quorvel/ (see cmake/QuorvelInstall.cmake).
        candidate = self.parent_path().parent_path() / kInstalledModuleFolder / fileName;
        if (fs::is_regular_file(candidate, error))
            return candidate.string();
    }
    return {};
}

} // namespace host
