#include "sim/notificationcenter/WidgetBundle.h"

#include "sim/loader/BundleInstall.h"

namespace sim {

bool installWidgetBundle(std::string* error)
{
    return installBuiltBundle({.builtModule = kQuorvelBuiltModule,
                               .builtFolder = kQuorvelBuiltBundleFolder,
                               .resources = {"background7.png"},
                               .devicePath = kQuorvelBundlePath,
                               .moduleRole = "widget module"},
                              error);
}

} // namespace sim
