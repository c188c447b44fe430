#include "host/common/loader/PreferencePage.h"

#include "host/common/loader/PrefBundleInstall.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/prefs/PSListController.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIScreen.h"

#include <dlfcn.h>

namespace host {

std::optional<PreferencePage> openPreferencePage(platform::UIView& window, void*& library, std::string* problem)
{
    auto fail = [problem](std::string text) -> std::optional<PreferencePage> {
        if (problem)
            *problem = std::move(text);
        return std::nullopt;
    };
    const auto bundle = platform::Bundle::bundleWithPath(kPrefBundlePath);
    PreferencePage opened;
    opened.principal = bundle ? bundle->principalClassName() : std::string();
    const std::string executable = bundle ? bundle->executablePath() : std::string();
    if (opened.principal.empty() || executable.empty())
        return fail(std::string("Settings: ") + kPrefBundlePath + "/Info.plist names no principal class or no executable");
    if (!library) {
        library = dlopen(platform::hostPath(executable).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* reason = dlerror();
            return fail("Settings: cannot load " + executable + ": " + (reason ? reason : "unknown error"));
        }
    }
    rt::Class* cls = rt::objc_getClass(opened.principal.c_str());
    opened.page = std::dynamic_pointer_cast<platform::PSListController>(cls ? cls->createInstance() : nullptr);
    if (!opened.page)
        return fail("Settings: " + opened.principal + " gives no preference list page");
    opened.page->setBundle(bundle);
    opened.navigation = platform::UINavigationController::withRootViewController(opened.page);
    auto content = opened.navigation->view();
    content->setFrame(platform::UIScreen::applicationFrame());
    window.addSubview(content);
    opened.navigation->viewWillAppear(false);
    opened.navigation->viewDidAppear(false);
    return opened;
}

} // namespace host
