// The daemon's window-less USSD alert: the messages the home screen sends a
// menu in the order the simulated phone sends them, and where its answer goes.
#include "host/linux/MenuAlert.h"

#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace linuxhost {
namespace {

std::vector<std::string> g_sent;
std::weak_ptr<rt::Object> g_lastAlert;
rt::IMP g_init, g_allows, g_string, g_display, g_notify, g_visible, g_chars;

rt::Object* recordInit(rt::Object* self, rt::SEL cmd, platform::CGRect frame)
{
    g_sent.push_back(cmd);
    g_lastAlert = self->weak_from_this();
    return g_init.call<rt::Object*, platform::CGRect>(self, cmd, frame);
}
void recordAllows(rt::Object* self, rt::SEL cmd, bool allows)
{
    g_sent.push_back(std::string(cmd) + (allows ? " YES" : " NO"));
    g_allows.call<void, bool>(self, cmd, allows);
}
void recordString(rt::Object* self, rt::SEL cmd, std::string text)
{
    g_sent.push_back(cmd);
    g_string.call<void, std::string>(self, cmd, text);
}
void recordDisplay(rt::Object* self, rt::SEL cmd, std::string text, bool centred)
{
    g_sent.push_back(cmd);
    g_display.call<void, std::string, bool>(self, cmd, text, centred);
}
void recordNotify(rt::Object* self, rt::SEL cmd)
{
    g_sent.push_back(cmd);
    g_notify.call<void>(self, cmd);
}
void recordVisible(rt::Object* self, rt::SEL cmd)
{
    g_sent.push_back(cmd);
    g_visible.call<void>(self, cmd);
}
void recordChars(rt::Object* self, rt::SEL cmd)
{
    g_sent.push_back(cmd);
    g_chars.call<void>(self, cmd);
}

class MenuAlertTest : public ::testing::Test {
protected:
    MenuAlertTest()
        : device(std::make_unique<platform::VirtualClock>(platform::Date::fromMicros(0)))
        , deviceScope(device)
        , process(device, "SpringBoard", "com.apple.springboard")
        , processScope(process)
    {
        rt::resetRuntimeForTesting();
        registerMenuAlertClasses();
        alerts = std::make_unique<MenuAlerts>(process);
        alerts->onAnswer([this](const std::string& choice) { answers.push_back(choice); });
        g_sent.clear();
    }
    ~MenuAlertTest() override
    {
        alerts.reset();
        rt::resetRuntimeForTesting();
    }

    platform::Device device;
    platform::DeviceScope deviceScope;
    platform::Process process;
    platform::ProcessScope processScope;
    std::unique_ptr<MenuAlerts> alerts;
    std::vector<std::string> answers;
};

TEST_F(MenuAlertTest, AMenuGetsTheHomeScreensMessagesInThePhonesOrder)
{
    rt::Class* cls = rt::objc_getClass("SBUSSDAlertDisplay");
    ASSERT_NE(cls, nullptr);
    rt::MSHookMessageEx(cls, "initWithFrame:", rt::IMP::of(&recordInit), &g_init);
    rt::MSHookMessageEx(cls, "setAllowsResponse:", rt::IMP::of(&recordAllows), &g_allows);
    rt::MSHookMessageEx(cls, "alertStringAvailable:", rt::IMP::of(&recordString), &g_string);
    rt::MSHookMessageEx(cls, "displayString:centerVertically:", rt::IMP::of(&recordDisplay), &g_display);
    rt::MSHookMessageEx(cls, "_notifyView", rt::IMP::of(&recordNotify), &g_notify);
    rt::MSHookMessageEx(cls, "alertDisplayBecameVisible", rt::IMP::of(&recordVisible), &g_visible);
    rt::MSHookMessageEx(cls, "_updateCharsRemaining", rt::IMP::of(&recordChars), &g_chars);

    alerts->present("1 Balance\n2 Data");
    const std::vector<std::string> shown{"initWithFrame:", "setAllowsResponse: YES", "alertStringAvailable:",
                                         "displayString:centerVertically:", "_notifyView", "alertDisplayBecameVisible"};
    EXPECT_EQ(g_sent, shown);
    // The reply counter is laid out at the next turn, after the text was heard.
    device.runPending();
    std::vector<std::string> laidOut = shown;
    laidOut.push_back("_updateCharsRemaining");
    EXPECT_EQ(g_sent, laidOut);
    EXPECT_EQ(alerts->openCount(), 1);
}

TEST_F(MenuAlertTest, OnlyOkWithTheReplyFieldOpenAnswersTheMenu)
{
    rt::MSHookMessageEx(rt::objc_getClass("SBUSSDAlertDisplay"), "initWithFrame:", rt::IMP::of(&recordInit), &g_init);
    struct Case {
        const char* name;
        std::vector<const char*> steps;
        std::vector<std::string> answered;
    } cases[] = {
        {"reply, text, OK", {"_replyClicked", "setText", "_okayClicked"}, {"2"}},
        {"OK without the reply field", {"_okayClicked"}, {}},
        {"cancel with the reply field open", {"_replyClicked", "setText", "_cancelClicked"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers.clear();
        alerts->present("1 Balance\n2 Data");
        ASSERT_EQ(alerts->openCount(), 1);
        rt::id alert = g_lastAlert.lock();
        ASSERT_TRUE(alert);
        for (const char* step : c.steps) {
            if (std::string(step) == "setText")
                rt::msgSend<void>(alert->ivar("_responseField"), "setText:", std::string("2"));
            else
                rt::msgSend<void>(alert, step);
        }
        EXPECT_EQ(answers, c.answered);
        EXPECT_EQ(alerts->openCount(), 0);
        device.runPending();
    }
}

} // namespace
} // namespace linuxhost
