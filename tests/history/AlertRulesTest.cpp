// The alert rules file and the alert conditions: what a writer stores or
// refuses, what a reader makes of a bad file, and each condition's boundary.
#include "HistoryFixture.h"

#include "history/AlertChecks.h"
#include "history/AlertRules.h"
#include "platform/foundation/Files.h"

#include <cmath>
#include <limits>

namespace quorvel::history::test {
namespace {

using AlertRulesTest = HistoryFixture;

AlertRule rule(const std::string& code, int64_t index, std::optional<double> below = std::nullopt,
               std::optional<double> falling = std::nullopt, std::optional<int64_t> stale = std::nullopt)
{
    return AlertRule{code, index, below, falling, stale};
}

std::string rulesBytes()
{
    return platform::readFile(kAlertRulesPath).value_or("(missing)");
}

TEST_F(AlertRulesTest, SetReplacesTheFieldsRuleAndARuleWithoutLimitsRemovesIt)
{
    EXPECT_FALSE(readAlertRules().present);
    EXPECT_FALSE(setAlertRule(rule("*100#", 0, 5.0)));
    EXPECT_FALSE(setAlertRule(rule("*100#", 1, std::nullopt, 1.5, 24)));
    EXPECT_FALSE(setAlertRule(rule("*100#", 0, -2.5)));
    AlertRulesRead read = readAlertRules();
    EXPECT_TRUE(read.present);
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(read.rules, (std::vector<AlertRule>{rule("*100#", 0, -2.5), rule("*100#", 1, std::nullopt, 1.5, 24)}));

    EXPECT_FALSE(setAlertRule(rule("*100#", 0)));
    bool found = true;
    EXPECT_FALSE(removeAlertRule("*100#", 7, &found));
    EXPECT_FALSE(found);
    EXPECT_FALSE(removeAlertRule("*100#", 1, &found));
    EXPECT_TRUE(found);
    read = readAlertRules();
    EXPECT_TRUE(read.present);
    EXPECT_TRUE(read.rules.empty());
}

TEST_F(AlertRulesTest, RefusesABadRuleAndLeavesTheFileAsItIs)
{
    ASSERT_FALSE(setAlertRule(rule("*100#", 0, 5.0)));
    const std::string before = rulesBytes();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<AlertRule> bad{
        rule("", 0, 1.0),          rule("*100#a", 0, 1.0), rule(std::string(41, '1'), 0, 1.0),
        rule("*100#", -1, 1.0),    rule("*100#", 1000, 1.0), rule("*100#", 0, nan),
        rule("*100#", 0, inf),     rule("*100#", 0, 2e12), rule("*100#", 0, std::nullopt, 0.0),
        rule("*100#", 0, std::nullopt, -1.0), rule("*100#", 0, std::nullopt, std::nullopt, 0),
        rule("*100#", 0, std::nullopt, std::nullopt, 24 * 366 + 1),
    };
    for (const AlertRule& r : bad) {
        SCOPED_TRACE(r.code + " " + std::to_string(r.index));
        EXPECT_TRUE(setAlertRule(r));
        EXPECT_EQ(rulesBytes(), before);
    }
}

TEST_F(AlertRulesTest, AFileThatIsNotUsableCountsAsNoRulesAndIsNeverOverwritten)
{
    const std::string entry = "<dict><key>ussdCode</key><string>*100#</string><key>index</key>";
    const std::vector<std::pair<std::string, std::string>> files{
        {"not a property list", "it is not a property list"},
        {"<array/>", "its root is not a dictionary"},
        {"<dict><key>alerts</key><dict/></dict>", "alerts is not an array"},
        {"<dict><key>alerts</key><array><string>x</string></array></dict>", "an entry is not a dictionary"},
        {"<dict><key>alerts</key><array>" + entry + "<string>0</string></dict></array></dict>",
         "an entry's index is not an integer"},
        {"<dict><key>alerts</key><array>" + entry + "<integer>0</integer><key>below</key><true/></dict></array></dict>",
         "an entry's below is not a number"},
        {"<dict><key>alerts</key><array>" + entry + "<integer>0</integer><key>staleHours</key><real>1.5</real></dict></array></dict>",
         "an entry's staleHours is not an integer"},
        {"<dict><key>alerts</key><array>" + entry + "<integer>0</integer><key>fallingPerDay</key><real>-1</real></dict></array></dict>",
         "a falling-per-day limit must be above 0 and within a trillion"},
    };
    for (const auto& [bytes, problem] : files) {
        SCOPED_TRACE(bytes);
        ASSERT_TRUE(platform::writeFileAtomically(kAlertRulesPath, bytes));
        AlertRulesRead read = readAlertRules();
        EXPECT_TRUE(read.present);
        EXPECT_EQ(read.problem, problem);
        EXPECT_TRUE(read.rules.empty());
        EXPECT_EQ(setAlertRule(rule("*100#", 0, 5.0)).value_or(""),
                  "the alert rules file cannot be read (" + problem + "); it is left as it is");
        EXPECT_TRUE(removeAlertRule("*100#", 0));
        EXPECT_EQ(rulesBytes(), bytes);
    }
}

TEST_F(AlertRulesTest, HoldsAtMostAHundredRules)
{
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(setAlertRule(rule("*100#", i, 1.0)));
    EXPECT_EQ(setAlertRule(rule("*100#", 100, 1.0)).value_or(""), "there are 100 alert rules already");
    EXPECT_FALSE(setAlertRule(rule("*100#", 99, 2.0))); // replacing one is still possible
    EXPECT_EQ(readAlertRules().rules.size(), 100u);
}

TEST(AlertChecks, BelowIsStrictAndCannotTellWithoutANumber)
{
    EXPECT_EQ(checkBelow("Balance", 4.8, 5.0).text, "Balance is 4.80, below 5.00");
    EXPECT_EQ(checkBelow("Balance", 4.8, 5.0).holds, true);
    EXPECT_EQ(checkBelow("Balance", 5.0, 5.0).holds, false);
    EXPECT_EQ(checkBelow("Balance", -1.2, 0).text, "Balance is -1.20, below 0.00");
    EXPECT_FALSE(checkBelow("Balance", std::nullopt, 5.0).holds.has_value());
    EXPECT_EQ(alertAmount(-0.001), "0.00");
    EXPECT_EQ(alertFieldName(std::nullopt, "*100#", 2), "*100# field 2");
}

TEST(AlertChecks, FallingSumsTheFallsOfTheLastThreeDaysAndSkipsTopUps)
{
    const platform::Date now = at(kStart + 10 * kDay);
    auto daysAgo = [&](double days, double number) {
        return TimedNumber{now.adding(platform::Micros(static_cast<int64_t>(-days * kDay))), number};
    };
    // Older than three days: not counted.
    std::vector<TimedNumber> numbers{daysAgo(4, 100), daysAgo(3, 20), daysAgo(2, 18), daysAgo(1, 40), daysAgo(0, 35.8)};
    AlertCheck check = checkFalling("Balance", numbers, now, 2.0);
    EXPECT_EQ(check.holds, true);
    EXPECT_EQ(check.text, "Balance fell 2.07 a day over 3 days, faster than 2.00");
    EXPECT_EQ(checkFalling("Balance", numbers, now, 2.1).holds, false);

    // Under a day between the first and the last: cannot tell; a day and a half says so.
    EXPECT_FALSE(checkFalling("Balance", {daysAgo(0.9, 20), daysAgo(0, 10)}, now, 1).holds.has_value());
    EXPECT_EQ(checkFalling("Balance", {daysAgo(1.5, 20), daysAgo(0, 17)}, now, 1).text,
              "Balance fell 2.00 a day over 1.5 days, faster than 1.00");
    EXPECT_FALSE(checkFalling("Balance", {}, now, 1).holds.has_value());
}

TEST(AlertChecks, StaleFiresAtTheLimitToTheMicrosecondWithWholeHours)
{
    const platform::Date last = at(kStart);
    const int64_t hour = 3600 * kSecond;
    EXPECT_EQ(checkStale("Balance", last, at(kStart + 24 * hour - 1), 24).holds, false);
    EXPECT_EQ(checkStale("Balance", last, at(kStart + 24 * hour), 24).text, "Balance not refreshed for 24 hours");
    EXPECT_EQ(checkStale("Balance", last, at(kStart + 26 * hour + hour / 2), 24).text, "Balance not refreshed for 26 hours");
    EXPECT_FALSE(checkStale("Balance", std::nullopt, at(kStart), 24).holds.has_value());
    // Dates a hand-edited store may hold, at either end of time.
    EXPECT_EQ(checkStale("Balance", at(INT64_MIN + 1), at(kStart), 24).holds, true);
    EXPECT_EQ(checkStale("Balance", at(INT64_MAX), at(-kStart), 24).holds, false);
}

} // namespace
} // namespace quorvel::history::test
