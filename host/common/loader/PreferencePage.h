// The preference bundle's root page in the Settings process of either host:
// the installed bundle's module loaded, its principal class made, and the page
// put in a navigation controller that fills the window below the status bar.
//
//   // inside the Settings process, on its device
//   std::string problem;
//   auto opened = host::openPreferencePage(*window, library, &problem);
//   if (!opened) log(problem);
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {
class PSListController;
class UINavigationController;
class UIView;
}

namespace host {

struct PreferencePage {
    std::string principal; // the class the bundle's Info.plist names
    std::shared_ptr<platform::PSListController> page;
    std::shared_ptr<platform::UINavigationController> navigation;
};

// Loads the module once (`library` keeps its handle across calls; its
// load-time constructor registers the bundle's classes in the current
// process) and shows the page in `window`. Empty, with a log line's text
// ("Settings: ...") in *problem, when Info.plist names no class or module,
// the module does not load or the class is no preference list page.
std::optional<PreferencePage> openPreferencePage(platform::UIView& window, void*& library, std::string* problem);

} // namespace host
