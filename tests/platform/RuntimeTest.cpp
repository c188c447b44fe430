#include "platform/runtime/Runtime.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rt {
namespace {

using Trace = std::vector<std::string>;
Trace g_trace;

void hostOkay(Object*, SEL) { g_trace.push_back("host"); }
IMP g_slot1;
void hook1(Object* self, SEL cmd)
{
    g_trace.push_back("hook1");
    g_slot1.call<void>(self, cmd);
}
IMP g_slot2;
void hook2(Object* self, SEL cmd)
{
    g_trace.push_back("hook2");
    g_slot2.call<void>(self, cmd);
}

bool hostSetItem(Object*, SEL, int item, bool enabled)
{
    g_trace.push_back("host " + std::to_string(item) + (enabled ? " y" : " n"));
    return item == 1;
}
IMP g_setItemSlot;
bool hookSetItem(Object* self, SEL cmd, int item, bool enabled)
{
    g_trace.push_back("hook");
    return g_setItemSlot.call<bool>(self, cmd, item, enabled);
}

void baseDescribe(Object*, SEL) { g_trace.push_back("base"); }
void subDescribe(Object*, SEL) { g_trace.push_back("sub"); }
int answer(Object*, SEL) { return 42; }

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetRuntimeForTesting();
        g_trace.clear();
        g_slot1 = g_slot2 = g_setItemSlot = IMP{};
        m_base = registerClass("UIView", nullptr, [] { return std::make_shared<Object>(); });
        m_alert = registerClass("SBUSSDAlertDisplay", m_base, [] { return std::make_shared<Object>(); });
        m_alert->setMethod("_okayClicked", IMP::of(&hostOkay));
        m_alert->setMethod("setStatusBarItem:enabled:", IMP::of(&hostSetItem));
        m_base->setMethod("describe", IMP::of(&baseDescribe));
    }
    void TearDown() override { resetRuntimeForTesting(); }

    Class* m_base = nullptr;
    Class* m_alert = nullptr;
};

TEST_F(RuntimeTest, ClassesAreFoundByNameAndRegisteredOnce)
{
    EXPECT_EQ(objc_getClass("SBUSSDAlertDisplay"), m_alert);
    EXPECT_EQ(objc_getClass("SBNoSuchClass"), nullptr);
    EXPECT_EQ(objc_getClass(nullptr), nullptr);
    EXPECT_EQ(registerClass("SBUSSDAlertDisplay"), m_alert);
    EXPECT_EQ(m_alert->superclass(), m_base);

    id alert = m_alert->createInstance();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->isa(), m_alert);
    EXPECT_TRUE(alert->isKindOfClass("SBUSSDAlertDisplay"));
    EXPECT_TRUE(alert->isKindOfClass("UIView"));
    EXPECT_FALSE(alert->isKindOfClass("BBServer"));
    EXPECT_FALSE(m_base->createInstance()->isKindOfClass("SBUSSDAlertDisplay"));
    EXPECT_EQ(registerClass("BBServer")->createInstance(), nullptr); // no factory
}

TEST_F(RuntimeTest, HookSlotReachesTheHostImplementation)
{
    MSHookMessageEx(m_alert, "_okayClicked", IMP::of(&hook1), &g_slot1);
    ASSERT_TRUE(g_slot1);
    msgSend<void>(m_alert->createInstance(), "_okayClicked");
    EXPECT_EQ(g_trace, (Trace{"hook1", "host"}));
}

TEST_F(RuntimeTest, SecondHookOnTheSameSelectorChainsThroughTheFirst)
{
    MSHookMessageEx(m_alert, "_okayClicked", IMP::of(&hook1), &g_slot1);
    MSHookMessageEx(m_alert, "_okayClicked", IMP::of(&hook2), &g_slot2);
    msgSend<void>(m_alert->createInstance(), "_okayClicked");
    EXPECT_EQ(g_trace, (Trace{"hook2", "hook1", "host"}));
}

TEST_F(RuntimeTest, HookPassesArgumentsAndReturnsTheHostResult)
{
    MSHookMessageEx(m_alert, "setStatusBarItem:enabled:", IMP::of(&hookSetItem), &g_setItemSlot);
    id alert = m_alert->createInstance();
    EXPECT_TRUE(msgSend<bool>(alert, "setStatusBarItem:enabled:", 1, true));
    EXPECT_FALSE(msgSend<bool>(alert, "setStatusBarItem:enabled:", 7, false));
    EXPECT_EQ(g_trace, (Trace{"hook", "host 1 y", "hook", "host 7 n"}));
}

TEST_F(RuntimeTest, HookOfAnInheritedMethodKeepsTheSuperclassImplementationAndLeavesItAlone)
{
    MSHookMessageEx(m_alert, "describe", IMP::of(&hook1), &g_slot1);
    msgSend<void>(m_alert->createInstance(), "describe");
    msgSend<void>(m_base->createInstance(), "describe");
    EXPECT_EQ(g_trace, (Trace{"hook1", "base", "base"}));
}

TEST_F(RuntimeTest, MissingClassOrSelectorInstallsNothingAndLeavesTheSlotEmpty)
{
    struct Case {
        const char* what;
        Class* cls;
        SEL sel;
    };
    for (const Case& c : {Case{"missing class", objc_getClass("SBNoSuchClass"), "_okayClicked"},
                          Case{"missing selector", m_alert, "_noSuchMethod"}, Case{"null selector", m_alert, nullptr}}) {
        SCOPED_TRACE(c.what);
        g_slot1 = IMP::of(&hostOkay); // a stale value must not survive
        MSHookMessageEx(c.cls, c.sel, IMP::of(&hook1), &g_slot1);
        EXPECT_FALSE(g_slot1);
    }
    EXPECT_FALSE(m_alert->respondsTo("_noSuchMethod"));
    msgSend<void>(m_alert->createInstance(), "_okayClicked");
    EXPECT_EQ(g_trace, (Trace{"host"}));
}

TEST_F(RuntimeTest, AddMethodNeverReplacesAClassesOwnMethod)
{
    IMP cancel = IMP::of(&hook1);
    EXPECT_TRUE(class_addMethod(m_alert, "clickCancel", cancel, "v@:"));
    EXPECT_FALSE(class_addMethod(m_alert, "clickCancel", IMP::of(&hook2), "v@:"));
    EXPECT_TRUE(m_alert->ownMethod("clickCancel") == cancel);
    EXPECT_FALSE(class_addMethod(m_alert, "_okayClicked", IMP::of(&hook2), "v@:"));

    // Overriding an inherited method in the subclass is allowed.
    EXPECT_TRUE(class_addMethod(m_alert, "describe", IMP::of(&subDescribe), "v@:"));
    msgSend<void>(m_alert->createInstance(), "describe");
    msgSend<void>(m_base->createInstance(), "describe");
    EXPECT_EQ(g_trace, (Trace{"sub", "base"}));

    EXPECT_FALSE(class_addMethod(nullptr, "x", cancel, "v@:"));
    EXPECT_FALSE(class_addMethod(m_alert, "empty", IMP{}, "v@:"));
}

TEST_F(RuntimeTest, MessagesToNothingReturnTheDefault)
{
    m_base->setMethod("answer", IMP::of(&answer));
    EXPECT_EQ(msgSend<int>(m_alert->createInstance(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(id{}, "answer"), 0);
    EXPECT_EQ(msgSend<int>(static_cast<Object*>(nullptr), "answer"), 0);
    Object classless;
    EXPECT_EQ(msgSend<int>(&classless, "answer"), 0);
    EXPECT_EQ(msgSend<int>(m_alert->createInstance(), "noSuchSelector"), 0);
}

TEST_F(RuntimeTest, CallThroughTheWrongSignatureIsCaught)
{
    m_base->setMethod("answer", IMP::of(&answer));
    id alert = m_alert->createInstance();
#ifdef NDEBUG
    std::vector<std::string> lines;
    platform::setLogSink([&](const std::string& line) { lines.push_back(line); });
    // Wrong return type, then extra arguments: neither jumps into the method.
    EXPECT_EQ(msgSend<long>(alert, "answer"), 0);
    EXPECT_FALSE(msgSend<bool>(alert, "_okayClicked", 3));
    platform::setLogSink(nullptr);
    EXPECT_TRUE(g_trace.empty());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("answer"), std::string::npos);
    EXPECT_NE(lines[1].find("_okayClicked"), std::string::npos);
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(msgSend<long>(alert, "answer"), "signature");
#endif
}

} // namespace
} // namespace rt
