// quorvel-app's rules that need no window: what the code entry takes, the
// daemon's state in words, refresh times, outside text made fit to show and
// the preferences' choices.
#include "apps/gtk/logic/CodeFilter.h"
#include "apps/gtk/logic/RefreshTime.h"
#include "apps/gtk/logic/SettingChoice.h"
#include "apps/gtk/logic/StateWords.h"
#include "apps/gtk/logic/Text.h"
#include "apps/gtk/logic/WindowSize.h"

#include <glib.h>
#include <gtest/gtest.h>

namespace quorvelapp {
namespace {

TEST(GtkAppCodeFilter, KeepsOnlyCodeCharactersAsTypedOrPasted)
{
    struct Case {
        const char* typed;
        size_t before;
        const char* kept;
    } cases[] = {
        {"*100#", 0, "*100#"},
        {"a", 3, ""},
        {"*1 0-0#", 0, "*100#"},          // a pasted code with spaces and dashes
        {"+7(900)", 0, "+7900"},
        {"١٢٣", 0, ""},                    // digits of other scripts are not ASCII digits
        {"\n*", 0, "*"},
        {"12345", 38, "12"},               // cut at the daemon's 40 characters
        {"1", 40, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(acceptedCodeText(c.typed, c.before), c.kept);
    }
}

TEST(GtkAppCodeFilter, DiallableCodesAreWhatTheDaemonTakes)
{
    EXPECT_TRUE(isDiallableCode("*100#"));
    EXPECT_TRUE(isDiallableCode(std::string(40, '1')));
    EXPECT_FALSE(isDiallableCode(std::string(41, '1')));
    EXPECT_FALSE(isDiallableCode(""));
    EXPECT_FALSE(isDiallableCode("*100# "));
}

TEST(GtkAppStateWords, EveryDocumentedStateHasWordsAndWhatToDo)
{
    EXPECT_EQ(describeState(true, "idle", "", "").kind, StateKind::Idle);

    const StateWords dialling = describeState(true, "dialling", "*100#", "");
    EXPECT_EQ(dialling.title, "Dialling *100#…");
    EXPECT_EQ(dialling.kind, StateKind::Busy);

    const StateWords waiting = describeState(true, "waiting-for-sms", "*102#", "900");
    EXPECT_EQ(waiting.title, "Waiting for an SMS from 900…");
    EXPECT_NE(waiting.hint.find("*102#"), std::string::npos);
    EXPECT_EQ(describeState(true, "waiting-for-sms", "*102#", "").title, "Waiting for an SMS reply to *102#…");

    for (const char* problem : {"no-modem", "modem-unavailable", "not-authorised"}) {
        SCOPED_TRACE(problem);
        const StateWords words = describeState(true, problem, "", "");
        EXPECT_EQ(words.kind, StateKind::Problem);
        EXPECT_FALSE(words.hint.empty());
    }
    const StateWords polkit = describeState(true, "not-authorised", "", "");
    EXPECT_NE(polkit.hint.find("org.freedesktop.ModemManager1.USSD"), std::string::npos);
    EXPECT_NE(polkit.hint.find("org.freedesktop.ModemManager1.Messaging"), std::string::npos);
}

TEST(GtkAppStateWords, ADaemonNotRunningComesWithTheCommandThatStartsIt)
{
    // Whatever the proxy still holds of the last state.
    const StateWords words = describeState(false, "dialling", "*100#", "");
    EXPECT_EQ(words.kind, StateKind::Problem);
    EXPECT_EQ(words.title, "quorveld is not running");
    EXPECT_EQ(words.command, "systemctl --user enable --now quorvel");
}

TEST(GtkAppStateWords, AnUnknownStateIsShownAsItComesButEscapedAndBounded)
{
    const StateWords words = describeState(true, "roaming-\x1b[31mred", std::string(500, 'x'), "");
    EXPECT_EQ(words.kind, StateKind::Unknown);
    EXPECT_EQ(words.title, "Daemon state: roaming-\\x1b[31mred");
    EXPECT_LE(g_utf8_strlen(words.hint.c_str(), -1), 65);
}

TEST(GtkAppShownText, EscapesControlsRepairsUtf8AndCuts)
{
    EXPECT_EQ(shownText("a\nb\tc\x07", 100), "a\\nb\\tc\\x07");
    EXPECT_EQ(shownText("a\nb", 100, true), "a\nb");
    EXPECT_EQ(shownText("\xff" "ok", 100), "\xef\xbf\xbd" "ok");   // U+FFFD
    EXPECT_EQ(shownText("line\xe2\x80\xa8sep", 100), "line\\u2028sep");
    EXPECT_EQ(shownText("Баланс 12", 6), "Баланс…");
    EXPECT_EQ(shownMarkup("<b>&", 10), "&lt;b&gt;&amp;");
}

TEST(GtkAppShownText, FillNeverReadsTheValuesAsFormats)
{
    EXPECT_EQ(fill("Dialling %s…", {"*100#"}), "Dialling *100#…");
    EXPECT_EQ(fill("%s was not deleted: %s", {"*100#", "it said %s %n"}), "*100# was not deleted: it said %s %n");
    EXPECT_EQ(fill("%s and %s", {"one"}), "one and ");
}

class GtkAppRefreshTime : public ::testing::Test {
protected:
    void SetUp() override { m_zone = g_time_zone_new_utc(); }
    void TearDown() override { g_time_zone_unref(m_zone); }
    static int64_t at(int year, int month, int day, int hour, int minute)
    {
        GDateTime* time = g_date_time_new_utc(year, month, day, hour, minute, 0);
        const int64_t micros = g_date_time_to_unix(time) * G_USEC_PER_SEC;
        g_date_time_unref(time);
        return micros;
    }
    GTimeZone* m_zone = nullptr;
};

TEST_F(GtkAppRefreshTime, TodayThisYearAndEarlier)
{
    const int64_t now = at(2026, 12, 9, 18, 0);
    EXPECT_EQ(refreshedText(at(2026, 12, 9, 9, 5), now, m_zone), "Refreshed at 09:05");
    EXPECT_EQ(refreshedText(at(2026, 12, 8, 23, 59), now, m_zone), "Refreshed on 8 Dec at 23:59");
    EXPECT_EQ(refreshedText(at(2025, 12, 9, 9, 5), now, m_zone), "Refreshed on 9 Dec 2025 at 09:05");
}

TEST_F(GtkAppRefreshTime, NeverAndImpossibleTimes)
{
    const int64_t now = at(2026, 12, 9, 18, 0);
    EXPECT_EQ(refreshedText(0, now, m_zone), "Never refreshed");
    EXPECT_EQ(refreshedText(-5, now, m_zone), "Refreshed at an unknown time");
    EXPECT_EQ(refreshedText(INT64_MAX, now, m_zone), "Refreshed at an unknown time");
}

TEST_F(GtkAppRefreshTime, TheDayIsTheLocalOne)
{
    // 23:30 UTC on the 8th is already the 9th two hours east.
    GTimeZone* east = g_time_zone_new_identifier("+02:00");
    ASSERT_NE(east, nullptr);
    EXPECT_EQ(refreshedText(at(2026, 12, 8, 23, 30), at(2026, 12, 9, 10, 0), east), "Refreshed at 01:30");
    g_time_zone_unref(east);
}

TEST(GtkAppSettingChoices, IntegersAndRealsOfTheSameValueAreOneChoice)
{
    const std::vector<linuxhost::SettingValue> rates{int64_t{0}, int64_t{5}, int64_t{15}};
    EXPECT_EQ(choiceIndex(rates, linuxhost::SettingValue{15.0}), 2u);
    EXPECT_EQ(choiceIndex(rates, linuxhost::SettingValue{int64_t{5}}), 1u);
    EXPECT_EQ(choiceIndex(rates, linuxhost::SettingValue{int64_t{7}}), std::nullopt);   // edited by hand
    EXPECT_EQ(choiceIndex(rates, linuxhost::SettingValue{false}), std::nullopt);
    const std::vector<linuxhost::SettingValue> times{2.5, 10.0};
    EXPECT_EQ(choiceIndex(times, linuxhost::SettingValue{int64_t{10}}), 1u);
}

TEST(GtkAppSettingChoices, ASwitchReadsNumbersAsOnWhenNotZero)
{
    EXPECT_TRUE(switchState(true));
    EXPECT_FALSE(switchState(false));
    EXPECT_TRUE(switchState(int64_t{1}));
    EXPECT_FALSE(switchState(0.0));
}

} // namespace
} // namespace quorvelapp

namespace quorvelapp {
namespace {

TEST(GtkAppWindowSize, TakesWidthByHeightWithinBounds)
{
    const auto phone = parseWindowSize("360x720");
    ASSERT_TRUE(phone);
    EXPECT_EQ(phone->width, 360);
    EXPECT_EQ(phone->height, 720);
    for (const char* bad : {"", "x", "360", "360x", "x720", "359x720", "360x319", "-360x720", "360x720x1",
                            "360 x720", "99999999999x720", "20000x720", "360X720"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseWindowSize(bad));
    }
}

} // namespace
} // namespace quorvelapp
