// installHooks: the hook table, installed in order. Each replacement goes into
// the class's own method table and SpringBoard's implementation is kept in its
// slot of hostMethods(). A class or selector this SpringBoard lacks is logged
// and skipped, so the rest of the engine keeps working.
#include "engine/Engine.h"

#include "engine/Replacements.h"
#include "platform/foundation/Log.h"

#include <vector>

namespace quorvel::engine {

namespace {

struct Hook {
    const char* className;
    rt::SEL selector;
    rt::IMP replacement;
    // SpringBoard's own implementation goes here; nullptr marks a method that
    // is added rather than replaced.
    rt::IMP* hostSlot;
};

std::vector<Hook> hookTable()
{
    HostMethods& host = hostMethods();
    const char* alert = "SBUSSDAlertDisplay";
    return {
        {"SBStatusBarDataManager", "setStatusBarItem:enabled:", rt::IMP::of(&setStatusBarItemEnabled), &host.setStatusBarItem},
        {"BBServer", "publishBulletin:destinations:alwaysToLockScreen:", rt::IMP::of(&publishBulletin), &host.publishBulletin},
        {"SBIcon", "setBadge:", rt::IMP::of(&setBadge), &host.setBadge},
        {alert, "initWithFrame:", rt::IMP::of(&alertInitWithFrame), &host.initWithFrame},
        {alert, "alertDisplayBecameVisible", rt::IMP::of(&alertDisplayBecameVisible), &host.alertDisplayBecameVisible},
        {alert, "clickCancel", rt::IMP::of(&clickCancel), nullptr},
        {alert, "_replyClicked", rt::IMP::of(&alertReplyClicked), &host.replyClicked},
        {alert, "_okayClicked", rt::IMP::of(&alertOkayClicked), &host.okayClicked},
        {alert, "_textChanged:", rt::IMP::of(&alertTextChanged), &host.textChanged},
        {alert, "textField:shouldInsertText:replacingRange:", rt::IMP::of(&alertShouldInsertText), &host.shouldInsertText},
        {alert, "setAllowsResponse:", rt::IMP::of(&alertSetAllowsResponse), &host.setAllowsResponse},
        {alert, "_setupResponseBar", rt::IMP::of(&alertSetupResponseBar), &host.setupResponseBar},
        {alert, "_cancelClicked", rt::IMP::of(&alertCancelClicked), &host.cancelClicked},
        {alert, "_updateCharsRemaining", rt::IMP::of(&alertUpdateCharsRemaining), &host.updateCharsRemaining},
        {alert, "allowsResponse", rt::IMP::of(&alertAllowsResponse), &host.allowsResponse},
        {alert, "alertStringAvailable:", rt::IMP::of(&alertStringAvailable), &host.alertStringAvailable},
        {alert, "displayString:centerVertically:", rt::IMP::of(&alertDisplayString), &host.displayString},
        {alert, "_notifyView", rt::IMP::of(&alertNotifyView), &host.notifyView},
    };
}

void install(const Hook& hook)
{
    rt::Class* cls = rt::objc_getClass(hook.className);
    if (!cls) {
        QLog("Qvl: class %@ not found, not hooking %@", hook.className, hook.selector);
        return;
    }
    if (!hook.hostSlot) {
        if (!rt::class_addMethod(cls, hook.selector, hook.replacement, "v@:"))
            QLog("Qvl: %@ already has %@, not adding it", hook.className, hook.selector);
        return;
    }
    if (!cls->respondsTo(hook.selector)) {
        QLog("Qvl: %@ does not implement %@, not hooking it", hook.className, hook.selector);
        return;
    }
    rt::MSHookMessageEx(cls, hook.selector, hook.replacement, hook.hostSlot);
}

} // namespace

void installHooks()
{
    for (const Hook& hook : hookTable())
        install(hook);
}

} // namespace quorvel::engine
