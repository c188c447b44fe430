#include "host/common/widget/WidgetBundle.h"

#include "host/common/loader/BundleInstall.h"

namespace host {

bool installWidgetBundle(std::string* error)
{
    return installBuiltBundle({.builtModule = kQuorvelBuiltModule,
                               .builtFolder = kQuorvelBuiltBundleFolder,
                               .resources = {"background7.png"},
                               .devicePath = kQuorvelBundlePath,
                               .moduleRole = "widget module"},
                              error);
}

} // namespace host
