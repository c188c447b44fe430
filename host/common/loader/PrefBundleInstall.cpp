#include "host/common/loader/PrefBundleInstall.h"

#include "host/common/loader/BundleInstall.h"

namespace host {

bool installPrefBundle(std::string* error)
{
    return installBuiltBundle({.builtModule = kPrefBundleBuiltModule,
                               .builtFolder = kPrefBundleBuiltFolder,
                               .resources = {kPrefBundleSpecifierList},
                               .devicePath = kPrefBundlePath,
                               .moduleRole = "preference bundle's module"},
                              error);
}

} // namespace host
