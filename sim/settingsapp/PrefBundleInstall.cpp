#include "sim/settingsapp/PrefBundleInstall.h"

#include "host/common/loader/BundleInstall.h"

namespace sim {

bool installPrefBundle(std::string* error)
{
    return host::installBuiltBundle({.builtModule = kPrefBundleBuiltModule,
                               .builtFolder = kPrefBundleBuiltFolder,
                               .resources = {kPrefBundleSpecifierList},
                               .devicePath = kPrefBundlePath,
                               .moduleRole = "preference bundle's module"},
                              error);
}

} // namespace sim
