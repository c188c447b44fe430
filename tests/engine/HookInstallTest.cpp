// installHooks against a SpringBoard that lacks some of the hooked classes and
// selectors: what is there is replaced, the rest is logged and left alone.
#include "tests/engine/EngineFixture.h"

#include "engine/Engine.h"
#include "engine/EngineState.h"
#include "platform/runtime/Runtime.h"

namespace quorvel::engine::testing {

namespace {

bool hostSetItem(rt::Object*, rt::SEL, int, bool)
{
    return true;
}

rt::Object* hostInit(rt::Object* self, rt::SEL, platform::CGRect)
{
    return self;
}

using HookInstallTest = EngineBeforeStartTest;

TEST_F(HookInstallTest, MissingClassesAndSelectorsInstallNothingAndTheRestStillInstalls)
{
    springboard.reset();
    rt::resetRuntimeForTesting();
    rt::Class* statusBar = rt::registerClass("SBStatusBarDataManager", nullptr, [] { return std::make_shared<rt::Object>(); });
    statusBar->setMethod("setStatusBarItem:enabled:", rt::IMP::of(&hostSetItem));
    rt::Class* alert = rt::registerClass("SBUSSDAlertDisplay", nullptr, [] { return std::make_shared<rt::Object>(); });
    alert->setMethod("initWithFrame:", rt::IMP::of(&hostInit));

    startEngine();
    EXPECT_TRUE(logged("Qvl: class BBServer not found, not hooking publishBulletin:destinations:alwaysToLockScreen:"))
        << logText();
    EXPECT_TRUE(logged("Qvl: class SBIcon not found, not hooking setBadge:"));
    EXPECT_TRUE(logged("Qvl: SBUSSDAlertDisplay does not implement _cancelClicked, not hooking it"));
    EXPECT_EQ(logCountStartingWith("Qvl: SBUSSDAlertDisplay does not implement "), 13);
    EXPECT_FALSE(alert->respondsTo("_cancelClicked"));

    // What exists is replaced and still reaches the host.
    EXPECT_FALSE(statusBar->ownMethod("setStatusBarItem:enabled:") == rt::IMP::of(&hostSetItem));
    rt::id manager = statusBar->createInstance();
    EXPECT_TRUE(rt::msgSend<bool>(manager, "setStatusBarItem:enabled:", 1, true));
    EXPECT_TRUE(isDnDActive);
    EXPECT_TRUE(alert->respondsTo("clickCancel"));

    // Without a request the alert keeps its frame and clickCancel only logs.
    rt::id display = alert->createInstance();
    platform::CGRect screen = sim::kScreenBounds;
    EXPECT_EQ(rt::msgSend<rt::Object*>(display, "initWithFrame:", screen), display.get());
    EXPECT_EQ(alertDisplay, display);
    rt::msgSend<void>(display, "clickCancel");
    EXPECT_TRUE(logged("Qvl: USSD alert was already cancelled"));
}

TEST_F(HookInstallTest, ReplacementsCallWhatAnsweredBeforeEvenWhenItIsInherited)
{
    springboard.reset();
    rt::resetRuntimeForTesting();
    rt::Class* base = rt::registerClass("SBStatusBarDataManagerBase", nullptr, {});
    base->setMethod("setStatusBarItem:enabled:", rt::IMP::of(&hostSetItem));
    rt::Class* statusBar = rt::registerClass("SBStatusBarDataManager", base, [] { return std::make_shared<rt::Object>(); });

    startEngine();
    EXPECT_TRUE(rt::msgSend<bool>(statusBar->createInstance(), "setStatusBarItem:enabled:", 1, true));
    EXPECT_TRUE(isDnDActive);
    EXPECT_TRUE(base->ownMethod("setStatusBarItem:enabled:") == rt::IMP::of(&hostSetItem)) << "the superclass is untouched";
}

} // namespace

} // namespace quorvel::engine::testing
