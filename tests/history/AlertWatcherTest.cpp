// The history module's alert watcher on a home-screen process of its own:
// each alert fires once, is armed again only after its condition was seen
// false, survives a restart without firing again, and the stale limit fires
// from the watcher's timer on the virtual clock.
#include "HistoryFixture.h"

#include "common/QuorvelNames.h"
#include "history/AlertWatcher.h"
#include "history/HistoryRecorder.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/UserNotifications.h"
#include "platform/system/Process.h"

namespace quorvel::history::test {
namespace {

class Shown final : public platform::UserNotificationService {
public:
    void post(const platform::UserNotification& n) override { messages.push_back(n.title + ": " + n.message); }
    std::vector<std::string> messages;
};

class AlertWatcherTest : public HistoryFixture {
protected:
    AlertWatcherTest() { device.userNotifications = &shown; }
    ~AlertWatcherTest() override { device.userNotifications = nullptr; }

    // The codes store with one code refreshed at `refreshedAt` holding `balance`, and its history row.
    void refreshed(int64_t refreshedAt, const std::string& balance)
    {
        platform::Dict field{{kIndexKey, 0}, {kTitleKey, "Balance"}, {kLastValueKey, balance}};
        platform::Dict record{{kUssdCodeKey, "*100#"}, {kExpectedNumbersKey, 1}, {kRefreshedAtKey, at(refreshedAt)},
                              {kFieldsKey, platform::Array{platform::Value(field)}}};
        ASSERT_TRUE(platform::writeDictionaryAtomically(kCodesStorePath, platform::Dict{{kCodesKey, platform::Array{platform::Value(record)}}}));
        recorder.refreshed();
    }

    platform::Process process{device, "SpringBoard", "com.apple.springboard"};
    platform::ProcessScope in{process};
    Shown shown;
    HistoryRecorder recorder;
};

TEST_F(AlertWatcherTest, FiresOnceIsArmedAgainOnlyWhenFalseAndARestartFiresNothingAgain)
{
    ASSERT_FALSE(setAlertRule({"*100#", 0, 5.0, std::nullopt, std::nullopt}));
    refreshed(kStart, "4,80");
    {
        AlertWatcher watcher(recorder.database());
        watcher.check();
        watcher.check();
    }
    EXPECT_EQ(shown.messages, std::vector<std::string>{"Balance: Balance is 4.80, below 5.00"});
    EXPECT_TRUE(log.contains("Qvl alerts: Balance is 4.80, below 5.00"));

    // A new process (a restart) reads what fired from the database.
    HistoryRecorder again;
    AlertWatcher watcher(again.database());
    watcher.check();
    EXPECT_EQ(shown.messages.size(), 1u);

    refreshed(kStart + kDay, "3,10");
    watcher.check();
    EXPECT_EQ(shown.messages.size(), 1u);
    refreshed(kStart + 2 * kDay, "25");
    watcher.check();
    refreshed(kStart + 3 * kDay, "4");
    watcher.check();
    EXPECT_EQ(shown.messages.back(), "Balance: Balance is 4.00, below 5.00");
    EXPECT_EQ(shown.messages.size(), 2u);

    // A changed limit arms it afresh, though the value stayed below.
    ASSERT_FALSE(setAlertRule({"*100#", 0, 4.5, std::nullopt, std::nullopt}));
    watcher.check();
    EXPECT_EQ(shown.messages.back(), "Balance: Balance is 4.00, below 4.50");
    EXPECT_EQ(shown.messages.size(), 3u);
}

TEST_F(AlertWatcherTest, NoRulesFileLeavesTheDatabaseAloneAndAHostWithoutServiceOnlyLogs)
{
    AlertWatcher watcher(recorder.database());
    watcher.check();
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_TRUE(log.startingWith("Qvl alerts").empty());

    device.userNotifications = nullptr;
    ASSERT_FALSE(setAlertRule({"*100#", 0, 5.0, std::nullopt, std::nullopt}));
    refreshed(kStart, "1");
    watcher.check();
    EXPECT_TRUE(log.contains("Qvl alerts: no notification service on this device: the alert is only logged"));
}

TEST_F(AlertWatcherTest, TheStaleLimitFiresFromTheTimerAtItsDueTime)
{
    const int64_t hour = 3600 * kSecond;
    refreshed(kStart, "12");
    ASSERT_FALSE(setAlertRule({"*100#", 0, std::nullopt, std::nullopt, 2}));
    AlertWatcher watcher(recorder.database());
    watcher.check();
    ASSERT_EQ(watcher.nextStaleCheck(), at(kStart + 2 * hour));
    device.runFor(platform::Micros(2 * hour - 1));
    EXPECT_TRUE(shown.messages.empty());
    device.runFor(platform::Micros(1));
    EXPECT_EQ(shown.messages, std::vector<std::string>{"Balance: Balance not refreshed for 2 hours"});
    EXPECT_FALSE(watcher.nextStaleCheck());

    // A fresh refresh sets the timer again from its time.
    refreshed(kStart + 3 * hour, "11");
    watcher.check();
    EXPECT_EQ(watcher.nextStaleCheck(), at(kStart + 5 * hour));

    // A removed rule stops the timer and forgets what fired.
    ASSERT_FALSE(removeAlertRule("*100#", 0));
    watcher.check();
    EXPECT_FALSE(watcher.nextStaleCheck());
}

} // namespace
} // namespace quorvel::history::test
