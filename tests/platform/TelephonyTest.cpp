#include "platform/telephony/CoreTelephony.h"

#include "platform/runloop/RunLoop.h"

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using testing::TwoProcessDevice;
using Lines = std::vector<std::string>;

Lines g_replies;

void onReply(CFNotificationCenterRef, void*, const std::string&, const void*, const Dict* userInfo)
{
    std::string text = "(none)";
    if (userInfo) {
        auto found = userInfo->find(kCTUSSDSessionString);
        if (found != userInfo->end() && found->second.string())
            text = *found->second.string();
    }
    g_replies.push_back(Process::current().name() + ":" + text);
}

void onReplyOnce(CFNotificationCenterRef center, void* observer, const std::string& name, const void* object,
                 const Dict* userInfo)
{
    onReply(center, observer, name, object, userInfo);
    CTTelephonyCenterRemoveObserver(CTTelephonyCenterGetDefault(), nullptr, name, nullptr);
}

class TelephonyTest : public ::testing::Test, protected TwoProcessDevice {
protected:
    void SetUp() override { g_replies.clear(); }

    void observeReplies(Process& process, CFNotificationCallback callback)
    {
        ProcessScope in(process);
        CTTelephonyCenterAddObserver(CTTelephonyCenterGetDefault(), nullptr, callback,
                                     kCTUSSDSessionStringNotification, nullptr, CFNotificationSuspensionBehaviorHold);
    }
    void reply(const std::string& text)
    {
        Dict info{{kCTUSSDSessionString, Value(text)}};
        postTelephonyNotification(device, kCTUSSDSessionStringNotification, &info);
        // The poster's dictionary is gone before anything is delivered.
    }
};

TEST_F(TelephonyTest, EveryObservingProcessHearsEachReplyOnItsOwnRunLoopInOrder)
{
    observeReplies(springboard, onReply);
    observeReplies(settings, onReplyOnce);
    reply("Balance 12.50");
    reply("Balance 11.00");
    EXPECT_TRUE(g_replies.empty());
    device.runPending();
    // The wizard-style observer removed itself on its first reply, so its
    // already-queued second delivery is dropped.
    EXPECT_EQ(g_replies, (Lines{"SpringBoard:Balance 12.50", "Preferences:Balance 12.50",
                                "SpringBoard:Balance 11.00"}));
    EXPECT_EQ(settings.telephonyCenter().observerCount(kCTUSSDSessionStringNotification), 0u);
    EXPECT_EQ(springboard.telephonyCenter().observerCount(kCTUSSDSessionStringNotification), 1u);
}

TEST_F(TelephonyTest, ADeliveryWithoutUserInfoReachesTheObserverWithNone)
{
    observeReplies(springboard, onReply);
    springboard.telephonyCenter().post(kCTUSSDSessionStringNotification, nullptr, nullptr);
    Dict wrongType{{kCTUSSDSessionString, Value(42)}};
    springboard.telephonyCenter().post(kCTUSSDSessionStringNotification, nullptr, &wrongType);
    device.runPending();
    EXPECT_EQ(g_replies, (Lines{"SpringBoard:(none)", "SpringBoard:(none)"}));
}

TEST_F(TelephonyTest, TelephonyCentresAreSeparateFromTheLocalCentre)
{
    observeReplies(springboard, onReply);
    {
        ProcessScope in(springboard);
        EXPECT_NE(CTTelephonyCenterGetDefault(), CFNotificationCenterGetLocalCenter());
        CFNotificationCenterPostNotification(CFNotificationCenterGetLocalCenter(), kCTUSSDSessionStringNotification,
                                             nullptr, nullptr, true);
    }
    device.runPending();
    EXPECT_TRUE(g_replies.empty());
}

class RecordingCarrier final : public TelephonyService {
public:
    void dial(Process& from, const std::string& number) override { dials.push_back(from.name() + ":" + number); }
    Lines dials;
};

TEST_F(TelephonyTest, CallDialReachesTheServiceWithTheDiallingProcess)
{
    {
        ProcessScope in(settings);
        EXPECT_FALSE(CTCallDial("*100#")); // no service yet: nothing happens
    }
    RecordingCarrier carrier;
    device.telephony = &carrier;
    {
        ProcessScope in(springboard);
        EXPECT_TRUE(CTCallDial("*123#"));
    }
    {
        ProcessScope in(settings);
        EXPECT_TRUE(CTCallDial("*123*2*1#"));
    }
    EXPECT_EQ(carrier.dials, (Lines{"SpringBoard:*123#", "Preferences:*123*2*1#"}));
    device.telephony = nullptr;
}

} // namespace
} // namespace platform
