#include "platform/notify/NotificationCenter.h"

#include "platform/runloop/RunLoop.h"

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using testing::TwoProcessDevice;

// What the C callbacks saw, as "process:tag:name" lines.
std::vector<std::string> g_heard;
bool g_sawPayload = false;

void record(const std::string& tag, const std::string& name, const void* object, const Dict* userInfo)
{
    Process* process = Process::currentOrNull();
    g_heard.push_back((process ? process->name() : std::string("host")) + ":" + tag + ":" + name);
    if (object || userInfo)
        g_sawPayload = true;
}

void onFirst(CFNotificationCenterRef, void*, const std::string& name, const void* object, const Dict* userInfo)
{
    record("first", name, object, userInfo);
}

void onSecond(CFNotificationCenterRef, void*, const std::string& name, const void* object, const Dict* userInfo)
{
    record("second", name, object, userInfo);
}

void onRemoveSelf(CFNotificationCenterRef center, void* observer, const std::string& name, const void*, const Dict*)
{
    record("once", name, nullptr, nullptr);
    CFNotificationCenterRemoveObserver(center, observer, name, nullptr);
}

// Removes the registrations of the observer `&g_victim` (registered with onSecond).
int g_victim = 0;
void onRemoveVictim(CFNotificationCenterRef center, void*, const std::string& name, const void*, const Dict*)
{
    record("remover", name, nullptr, nullptr);
    CFNotificationCenterRemoveObserver(center, &g_victim, name, nullptr);
}

void onAddLate(CFNotificationCenterRef center, void*, const std::string& name, const void*, const Dict*)
{
    record("adder", name, nullptr, nullptr);
    CFNotificationCenterAddObserver(center, nullptr, onSecond, name, nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
}

void observe(CFNotificationCenterRef center, CFNotificationCallback callback, const std::string& name,
             const void* observer = nullptr)
{
    CFNotificationCenterAddObserver(center, observer, callback, name, nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
}

class NotificationCenterTest : public ::testing::Test, protected TwoProcessDevice {
protected:
    void SetUp() override
    {
        g_heard.clear();
        g_sawPayload = false;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(NotificationCenterTest, DarwinDeliversOnEachObserversOwnProcessInPostOrder)
{
    {
        ProcessScope in(springboard);
        observe(CFNotificationCenterGetDarwinNotifyCenter(), onFirst, "x");
        observe(CFNotificationCenterGetDarwinNotifyCenter(), onFirst, "y");
    }
    {
        ProcessScope in(settings);
        observe(CFNotificationCenterGetDarwinNotifyCenter(), onSecond, "x");
        Dict info{{"k", Value("v")}};
        int object = 0;
        auto darwin = CFNotificationCenterGetDarwinNotifyCenter();
        CFNotificationCenterPostNotification(darwin, "x", &object, &info, true);
        CFNotificationCenterPostNotification(darwin, "y", nullptr, nullptr, true);
        CFNotificationCenterPostNotification(darwin, "z", nullptr, nullptr, true);
        CFNotificationCenterPostNotification(darwin, "x", nullptr, nullptr, true);
    }
    // Deliveries wait for the observers' run loops.
    EXPECT_TRUE(g_heard.empty());
    device.runPending();
    EXPECT_EQ(g_heard, (Lines{"SpringBoard:first:x", "Preferences:second:x", "SpringBoard:first:y",
                              "SpringBoard:first:x", "Preferences:second:x"}));
    EXPECT_FALSE(g_sawPayload);
    EXPECT_EQ(device.darwinCenter().postedNames(), (Lines{"x", "y", "z", "x"}));
}

TEST_F(NotificationCenterTest, LocalCentresAreSeparateFromEachOtherAndFromDarwin)
{
    {
        ProcessScope in(springboard);
        observe(CFNotificationCenterGetLocalCenter(), onFirst, "refresh");
        observe(CFNotificationCenterGetDarwinNotifyCenter(), onFirst, "refresh");
    }
    {
        ProcessScope in(settings);
        observe(CFNotificationCenterGetLocalCenter(), onSecond, "refresh");
    }
    {
        ProcessScope in(springboard);
        CFNotificationCenterPostNotification(CFNotificationCenterGetLocalCenter(), "refresh", nullptr, nullptr, true);
        // Local delivery is synchronous.
        EXPECT_EQ(g_heard, (Lines{"SpringBoard:first:refresh"}));
    }
    device.runFor(Seconds(1));
    EXPECT_EQ(g_heard.size(), 1u);
    EXPECT_TRUE(device.darwinCenter().postedNames().empty());
}

TEST_F(NotificationCenterTest, ObserverRemovingItselfIsNotCalledAgain)
{
    struct Case {
        const char* what;
        bool darwin;
    };
    for (const Case& c : {Case{"local", false}, Case{"darwin", true}}) {
        SCOPED_TRACE(c.what);
        g_heard.clear();
        ProcessScope in(springboard);
        auto center = c.darwin ? CFNotificationCenterGetDarwinNotifyCenter() : CFNotificationCenterGetLocalCenter();
        int observer = 0;
        observe(center, onRemoveSelf, "n", &observer);
        observe(center, onFirst, "n");
        // Two posts before anything is delivered: the queued second delivery
        // to the removed observer must be dropped too.
        CFNotificationCenterPostNotification(center, "n", nullptr, nullptr, true);
        CFNotificationCenterPostNotification(center, "n", nullptr, nullptr, true);
        device.runPending();
        EXPECT_EQ(g_heard, (Lines{"SpringBoard:once:n", "SpringBoard:first:n", "SpringBoard:first:n"}));
        EXPECT_EQ(center->observerCount("n"), 1u);
        CFNotificationCenterRemoveObserver(center, nullptr, "n", nullptr);
    }
}

TEST_F(NotificationCenterTest, ObserverRemovedByAnotherDuringAPostIsSkippedForThatPost)
{
    ProcessScope in(springboard);
    auto center = CFNotificationCenterGetLocalCenter();
    observe(center, onRemoveVictim, "n");
    observe(center, onSecond, "n", &g_victim);
    CFNotificationCenterPostNotification(center, "n", nullptr, nullptr, true);
    EXPECT_EQ(g_heard, (Lines{"SpringBoard:remover:n"}));
}

TEST_F(NotificationCenterTest, ObserverAddedDuringAPostWaitsForTheNextPost)
{
    ProcessScope in(springboard);
    auto center = CFNotificationCenterGetLocalCenter();
    observe(center, onAddLate, "n");
    CFNotificationCenterPostNotification(center, "n", nullptr, nullptr, true);
    EXPECT_EQ(g_heard, (Lines{"SpringBoard:adder:n"}));
    CFNotificationCenterPostNotification(center, "n", nullptr, nullptr, true);
    EXPECT_EQ(g_heard, (Lines{"SpringBoard:adder:n", "SpringBoard:adder:n", "SpringBoard:second:n"}));
}

TEST_F(NotificationCenterTest, IdenticalRegistrationIsIgnoredButDistinctObserversAreNot)
{
    ProcessScope in(springboard);
    auto center = CFNotificationCenterGetDarwinNotifyCenter();
    int a = 0;
    int b = 0;
    observe(center, onFirst, "n", &a);
    observe(center, onFirst, "n", &a);
    observe(center, onFirst, "n", &b);
    EXPECT_EQ(center->observerCount("n"), 2u);
    CFNotificationCenterPostNotification(center, "n", nullptr, nullptr, true);
    device.runPending();
    EXPECT_EQ(g_heard.size(), 2u);

    // Removal is keyed by observer and name.
    CFNotificationCenterRemoveObserver(center, &a, "other", nullptr);
    EXPECT_EQ(center->observerCount("n"), 2u);
    CFNotificationCenterRemoveObserver(center, &a, "n", nullptr);
    EXPECT_EQ(center->observerCount("n"), 1u);
}

TEST_F(NotificationCenterTest, ObjectStyleObserversGetThePayloadAndMayObserveEveryName)
{
    ProcessScope in(springboard);
    LocalNotificationCenter& center = springboard.localCenter();
    std::vector<std::string> seen;
    int owner = 0;
    int object = 0;
    center.addObserver(&owner, "keyboard", [&](const Notification& n) {
        seen.push_back(n.name + (n.object == &object ? "+object" : "") + ":" + *n.userInfo.at("k").string());
    });
    center.addObserverOfEveryName(&owner, [&](const Notification& n) { seen.push_back("any:" + n.name); });

    Dict info{{"k", Value("v")}};
    center.post("keyboard", &object, &info);
    center.post("other", nullptr, nullptr);
    EXPECT_EQ(seen, (Lines{"keyboard+object:v", "any:keyboard", "any:other"}));

    center.removeObserver(&owner);
    EXPECT_EQ(center.observerCount(""), 0u);
    center.post("keyboard", &object, &info);
    EXPECT_EQ(seen.size(), 3u);
}

// An empty name once meant "every name", so a name constant that was not yet
// initialised when a module registered made it hear everything.
TEST_F(NotificationCenterTest, AnObserverWithoutANameIsRefused)
{
    ProcessScope in(springboard);
    LocalNotificationCenter& center = springboard.localCenter();
    int owner = 0;
    int heard = 0;
    EXPECT_DEBUG_DEATH(center.addObserver(&owner, "", [&](const Notification&) { ++heard; }), "needs a name");
    EXPECT_DEBUG_DEATH(CFNotificationCenterAddObserver(&center, &owner, onFirst, "", nullptr,
                                                       CFNotificationSuspensionBehaviorDeliverImmediately),
                       "needs a name");
    center.post("anything", nullptr, nullptr);
    EXPECT_EQ(heard, 0);
    EXPECT_TRUE(g_heard.empty());
    EXPECT_EQ(center.observerCount(""), 0u);
}

TEST_F(NotificationCenterTest, EndedProcessNoLongerHearsDarwinPosts)
{
    auto extra = std::make_unique<Process>(device, "Extra", "com.example.extra");
    {
        ProcessScope in(*extra);
        observe(CFNotificationCenterGetDarwinNotifyCenter(), onFirst, "n");
    }
    {
        ProcessScope in(springboard);
        observe(CFNotificationCenterGetDarwinNotifyCenter(), onSecond, "n");
    }
    device.darwinCenter().post("n", nullptr, nullptr);
    extra.reset(); // its queued delivery goes with it
    EXPECT_EQ(device.darwinCenter().observerCount("n"), 1u);
    device.darwinCenter().post("n", nullptr, nullptr);
    device.runPending();
    EXPECT_EQ(g_heard, (Lines{"SpringBoard:second:n", "SpringBoard:second:n"}));
}

TEST_F(NotificationCenterTest, LocalCentreIsTheCurrentProcesssOwn)
{
    {
        ProcessScope in(springboard);
        EXPECT_EQ(CFNotificationCenterGetLocalCenter(), &springboard.localCenter());
    }
    {
        ProcessScope in(settings);
        EXPECT_EQ(CFNotificationCenterGetLocalCenter(), &settings.localCenter());
    }
    EXPECT_EQ(CFNotificationCenterGetDarwinNotifyCenter(), &device.darwinCenter());
}

} // namespace
} // namespace platform
