#include "HistoryFixture.h"

#include "common/QuorvelNames.h"
#include "history/HistoryRecorder.h"
#include "platform/foundation/PropertyList.h"

#include "platform/foundation/Files.h"

#include <sqlite3.h>

#include <fstream>

namespace quorvel::history::test {
namespace {

using HistoryRecorderTest = HistoryFixture;

platform::Value field(platform::Value index, platform::Value title, platform::Value lastValue)
{
    platform::Dict entries{{kIndexKey, std::move(index)}, {kTitleKey, std::move(title)}};
    if (!lastValue.isNone())
        entries.emplace(kLastValueKey, std::move(lastValue));
    return platform::Value(std::move(entries));
}

platform::Value record(const std::string& code, std::optional<int64_t> refreshedAt, platform::Array fields)
{
    platform::Dict entries{{kUssdCodeKey, code}, {kExpectedNumbersKey, 2}, {kFieldsKey, std::move(fields)}};
    if (refreshedAt)
        entries.emplace(kRefreshedAtKey, platform::Value(at(*refreshedAt)));
    return platform::Value(std::move(entries));
}

void storeCodes(const platform::Array& codes)
{
    ASSERT_TRUE(platform::writeDictionaryAtomically(kCodesStorePath, platform::Dict{{kCodesKey, codes}}));
}

TEST_F(HistoryRecorderTest, TakesOnlyRefreshesItHasNotTakenAndFieldsThatHoldAValue)
{
    HistoryRecorder recorder;
    platform::Array codes{
        record("*100#", kStart, {field(0, "Balance", "12,30"), field("1", "Bonus", 300), field(2, 5, "7")}),
        record("*105#", std::nullopt, {field(0, "Minutes", "250")}),                // never refreshed
        record("*106#", kStart, {field(-1, "Bad", "1"), field(0, "None", nullptr)}), // no usable field
    };
    auto taken = recorder.newSamples(codes);
    EXPECT_EQ(taken, (std::vector<HistorySample>{
                         sample("*100#", 0, "12,30", kStart, "Balance", 12.3),
                         sample("*100#", 1, "300", kStart, "Bonus", 300),
                         sample("*100#", 2, "7", kStart, std::nullopt, 7),
                     }));
    EXPECT_TRUE(recorder.newSamples(codes).empty());

    codes[1] = record("*105#", kStart + kSecond, {field(0, "Minutes", "250")});
    EXPECT_EQ(recorder.newSamples(codes), std::vector<HistorySample>{sample("*105#", 0, "250", kStart + kSecond, "Minutes", 250)});
}

TEST_F(HistoryRecorderTest, KeepsWhatALockedDatabaseRefusedForTheNextRefreshAndNeverTouchesTheCodesStore)
{
    HistoryRecorder recorder;
    storeCodes({record("*100#", kStart, {field(0, "Balance", "12,30")})});
    recorder.refreshed();

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(file().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    storeCodes({record("*100#", kStart + 900 * kSecond, {field(0, "Balance", "11,80")})});
    const auto storeBefore = platform::readFile(kCodesStorePath);
    recorder.refreshed();
    EXPECT_EQ(platform::readFile(kCodesStorePath), storeBefore);
    EXPECT_EQ(recorder.pendingCount(), 1u);
    EXPECT_TRUE(log.contains("Qvl history: keeping 1 value for the next refresh"));
    sqlite3_exec(holder, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    storeCodes({record("*100#", kStart + 1800 * kSecond, {field(0, "Balance", "11,10")})});
    recorder.refreshed();
    EXPECT_EQ(recorder.pendingCount(), 0u);
    std::vector<std::string> values;
    for (const HistorySample& row : readAll())
        values.push_back(row.value);
    EXPECT_EQ(values, (std::vector<std::string>{"12,30", "11,80", "11,10"}));
    EXPECT_EQ(besides(".corrupt").size(), 0u);
}

TEST_F(HistoryRecorderTest, KeepsAtMostAWeekOfRowsWaitingWhenTheDiskRefusesWrites)
{
    // A file where the database's folder should be: every write fails.
    std::ofstream(root.host("/var/blocked")) << "a file, not a folder";
    HistoryRecorder recorder("/var/blocked/history.db");
    platform::Array fields;
    for (size_t i = 0; i < kMostPendingRows + 10; ++i)
        fields.push_back(field(static_cast<int64_t>(i), "F", "1"));
    storeCodes({record("*100#", kStart, fields)});
    recorder.refreshed();
    EXPECT_EQ(recorder.pendingCount(), kMostPendingRows);
    EXPECT_TRUE(log.contains("Qvl history: dropping the 10 oldest values waiting to be written"));
}

} // namespace
} // namespace quorvel::history::test
