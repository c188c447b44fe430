#include "sim/settingsapp/PrefBundleInstall.h"

#include "sim/loader/BundleInstall.h"

namespace sim {

bool installPrefBundle(std::string* error)
{
    return installBuiltBundle({.builtModule = kPrefBundleBuiltModule,
                               .builtFolder = kPrefBundleBuiltFolder,
                               .resources = {kPrefBundleSpecifierList},
                               .devicePath = kPrefBundlePath,
                               .moduleRole = "preference bundle's module"},
                              error);
}

} // namespace sim
