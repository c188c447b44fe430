// Loads the device's tweaks into a host's process the way the phone's
// substrate does, and unloads them when the device goes away.
//
//   ModuleLoader loader("sim: ");    // prefix of the loader's own log lines
//   ModuleLoader::installTweak(built, "QuorvelTweak", {"com.apple.springboard"});
//   loader.loadTweaksInto(springboard);   // dlopen inside a ProcessScope
//   loader.unloadAll();                   // dlclose, newest first
//
// A tweak is "/Library/MobileSubstrate/DynamicLibraries/NAME.dylib" with
// "NAME.plist" beside it; it is loaded into a process only when the plist's
// Filter/Bundles list names that process's bundle identifier (a tweak without
// a readable filter is loaded nowhere). Each load runs the library's load-time
// constructors inside the process, so its start-up code sees that process as
// current. Libraries are opened RTLD_NOW|RTLD_LOCAL from the device's own copy,
// so each device gets a fresh instance of every module.
#pragma once

#include <string>
#include <vector>

namespace platform { class Process; }

namespace host {

inline constexpr const char* kTweakFolder = "/Library/MobileSubstrate/DynamicLibraries";

struct LoadedModule {
    std::string devicePath;
    std::string process;
    void* handle = nullptr;
};

class ModuleLoader {
public:
    explicit ModuleLoader(std::string logPrefix);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // Copies a built library to the device's tweak folder as NAME.dylib and
    // writes NAME.plist naming `bundles`. False (and nothing half written
    // left behind as the tweak) when the copy fails.
    static bool installTweak(const std::string& builtLibrary, const std::string& name,
                             const std::vector<std::string>& bundles);

    // Whether the filter plist of the tweak at `dylibDevicePath` names `bundleIdentifier`.
    static bool filterNames(const std::string& dylibDevicePath, const std::string& bundleIdentifier);

    // Loads every tweak whose filter names the process, in file-name order.
    // Returns how many were loaded.
    int loadTweaksInto(platform::Process& process);

    // Loads one library (a device path) into the process. nullptr on failure,
    // which is logged.
    void* load(const std::string& devicePath, platform::Process& process);

    // dlclose every library loaded here, newest first. Idempotent.
    void unloadAll();

    const std::vector<LoadedModule>& loaded() const { return m_loaded; }

private:
    void note(const std::string& text) const;

    std::string m_logPrefix;
    std::vector<LoadedModule> m_loaded;
};

// The installed modules' folder, relative to the installation prefix.
inline constexpr const char* kInstalledModuleFolder = "lib/quorvel";

// Where the program's built modules are: $QUORVEL_BIN_DIR if set, else the folder
// of the running executable, else the installed folder beside its bin/. Returns the full path of `fileName` there, or an
// empty text when it is in neither.
std::string findBuiltModule(const std::string& fileName);

} // namespace host
