// The change since the previous different value, the chart's points, and the
// change as a screen writes it.
#include "HistoryFixture.h"

#include "history/DeltaText.h"
#include "history/HistorySummary.h"
#include "host/common/history/ChangeText.h"

#include <fstream>

namespace quorvel::history::test {
namespace {

using HistorySummaryTest = HistoryFixture;
constexpr int64_t kMinute = 60 * kSecond;

std::vector<FieldChange> changesOf(const std::string& file, std::optional<std::string> code = std::nullopt)
{
    std::vector<FieldChange> changes;
    auto error = readChanges(file, code, &changes);
    EXPECT_FALSE(error) << *error;
    return changes;
}

TEST_F(HistorySummaryTest, TheChangeIsAgainstTheLastDifferentValueAndItsLastRefresh)
{
    HistoryDatabase db;
    // 12.50 at 09:00 and 09:05, 11.20 from 10:05 (written 11,2 once: the same number), 10.00 at 11:00.
    ASSERT_EQ(db.append({sample("*100#", 0, "12.50", kStart, "Balance", 12.5),
                         sample("*100#", 1, "300", kStart, "Bonus", 300)}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*100#", 0, "12.50", kStart + 5 * kMinute, "Balance", 12.5),
                         sample("*100#", 1, "300", kStart + 5 * kMinute, "Bonus", 300)}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*100#", 0, "11.20", kStart + 65 * kMinute, "Balance", 11.2)}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*100#", 0, "11,2", kStart + 70 * kMinute, "Balance", 11.2)}), AppendResult::written);
    std::vector<FieldChange> changes = changesOf(file());
    ASSERT_EQ(changes.size(), 1u); // Bonus never changed
    EXPECT_EQ(changes[0].code, "*100#");
    EXPECT_EQ(changes[0].index, 0);
    EXPECT_EQ(changes[0].title, "Balance");
    EXPECT_EQ(changes[0].value, "11,2");
    EXPECT_EQ(changes[0].previousValue, "12.50");
    ASSERT_TRUE(changes[0].delta);
    EXPECT_NEAR(*changes[0].delta, -1.3, 1e-9);
    EXPECT_EQ(changes[0].previousAt, at(kStart + 5 * kMinute));
    EXPECT_EQ(changes[0].changedAt, at(kStart + 65 * kMinute));

    // A rise after it: compared with 11.20 now, the time of its last refresh.
    ASSERT_EQ(db.append({sample("*100#", 0, "20.00", kStart + 2 * 60 * kMinute, "Balance", 20)}), AppendResult::written);
    changes = changesOf(file(), "*100#");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].previousValue, "11,2");
    EXPECT_NEAR(*changes[0].delta, 8.8, 1e-9);
    EXPECT_EQ(changes[0].previousAt, at(kStart + 70 * kMinute));
    EXPECT_TRUE(changesOf(file(), "*101#").empty());
}

TEST_F(HistorySummaryTest, TextsThatAreNoNumberChangeWithoutADelta)
{
    HistoryDatabase db;
    ASSERT_EQ(db.append({sample("*102#", 0, "n/a", kStart, "Plan")}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*102#", 0, "12", kStart + kMinute, "Plan", 12)}), AppendResult::written);
    const auto changes = changesOf(file());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(changes[0].delta);
    EXPECT_EQ(changes[0].previousValue, "n/a");
    EXPECT_EQ(changeText(changes[0], at(kStart + 2 * kMinute)), "was \u201cn/a\u201d at 09:00");
}

TEST_F(HistorySummaryTest, PointsAreTheNumbersSinceAnInstantInTimeOrder)
{
    HistoryDatabase db;
    ASSERT_EQ(db.append({sample("*100#", 0, "12.50", kStart - 40 * kDay, "Balance", 12.5)}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*100#", 0, "12.00", kStart - kDay, "Balance", 12),
                         sample("*100#", 1, "300", kStart - kDay, "Bonus", 300)}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*100#", 0, "error", kStart - kMinute, "Balance")}), AppendResult::written);
    ASSERT_EQ(db.append({sample("*100#", 0, "11.00", kStart, "Balance", 11)}), AppendResult::written);
    std::vector<HistoryPoint> points;
    ASSERT_FALSE(readPoints(file(), "*100#", 0, at(kStart - 30 * kDay), &points));
    EXPECT_EQ(points, (std::vector<HistoryPoint>{{at(kStart - kDay), "12.00", 12}, {at(kStart), "11.00", 11}}));
}

TEST_F(HistorySummaryTest, AMissingOrForeignFileIsAReasonAndNoRows)
{
    std::vector<HistoryPoint> points{{at(0), "1", 1}};
    std::vector<FieldChange> changes{FieldChange{}};
    EXPECT_TRUE(readPoints(file(), "*100#", 0, at(0), &points));
    EXPECT_TRUE(readChanges(file(), std::nullopt, &changes));
    EXPECT_TRUE(points.empty());
    EXPECT_TRUE(changes.empty());
    std::ofstream(file(), std::ios::binary) << "not a database";
    EXPECT_TRUE(readChanges(file(), std::nullopt, &changes));
}

TEST(ChangeText, WritesTheSignDecimalsMarkAndWhen)
{
    const int64_t now = kStart + 3 * 60 * kMinute; // 2026-12-08 12:00 UTC
    auto change = [](std::string value, std::string previous, double delta, int64_t previousAt) {
        return FieldChange{"*100#", 0, "Balance", value, previous, delta, at(previousAt), at(previousAt + kMinute)};
    };
    EXPECT_EQ(changeText(change("11.20", "12.50", -1.3, kStart + 5 * kMinute), at(now)), "\u22121.30 since 09:05");
    EXPECT_EQ(changeText(change("300", "250", 50, kStart), at(now)), "+50 since 09:00");
    EXPECT_EQ(changeText(change("12,5", "12", 0.5, kStart), at(now)), "+0,5 since 09:00");
    // Another day of the year, another year.
    EXPECT_EQ(changeText(change("1.0", "2.0", -1, kStart - kDay), at(now)), "\u22121.0 since 7 Dec 09:00");
    EXPECT_EQ(changeText(change("1.0", "2.0", -1, kStart - 365 * kDay), at(now)), "\u22121.0 since 2025-12-08 09:00");
    // The local zone decides the time and the day: at UTC+3, 22:00 UTC of the 7th is 01:00 of the 8th.
    auto plusThree = [](platform::Date) -> int64_t { return 3 * 3600; };
    EXPECT_EQ(changeText(change("1", "2", -1, kStart - 11 * 60 * kMinute), at(now), plusThree), "\u22121 since 01:00");
    EXPECT_EQ(signedDelta(0.001, 2, '.'), "0.00");
}

TEST(ChangeText, AValueThatIsNoNumberIsShownCleanAndShort)
{
    FieldChange change{"*100#", 0, "Plan", "1", "bad\x1b[2J\xff" + std::string(60, 'x'), std::nullopt, at(kStart),
                       at(kStart + kSecond)};
    const std::string text = changeText(change, at(kStart + kMinute));
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos) << text;
    EXPECT_NE(text.find("\u2026\u201d at 09:00"), std::string::npos) << text;
}

} // namespace
} // namespace quorvel::history::test
