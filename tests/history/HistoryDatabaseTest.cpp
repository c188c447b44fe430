#include "HistoryFixture.h"

#include "platform/foundation/Files.h"

#include <sqlite3.h>

#include <fstream>

namespace quorvel::history::test {
namespace {

namespace fs = std::filesystem;

using HistoryDatabaseTest = HistoryFixture;

void writeHostFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(HistoryDatabaseTest, HoldsEachValueOnceInTimeOrder)
{
    HistoryDatabase db;
    const auto later = sample("*100#", 0, "11,80", kStart + 900 * kSecond, "Balance", 11.8);
    const auto earlier = sample("*100#", 0, "12,30", kStart, "Balance", 12.3);
    const auto other = sample("*105#", 1, "abc", kStart, std::nullopt);
    ASSERT_EQ(db.append({later, other}), AppendResult::written);
    ASSERT_EQ(db.append({earlier, later}), AppendResult::written); // `later` again: kept once
    EXPECT_EQ(readAll(), (std::vector<HistorySample>{earlier, other, later}));

    EXPECT_EQ(readAll({.code = "*105#"}), std::vector<HistorySample>{other});
    EXPECT_EQ(readAll({.index = 1}), std::vector<HistorySample>{other});
    EXPECT_EQ(readAll({.since = at(kStart + 1)}), std::vector<HistorySample>{later});
}

TEST_F(HistoryDatabaseTest, CutsOverlongTextsAtACharacterBoundary)
{
    HistoryDatabase db;
    const std::string title = std::string(kLongestStoredTitle - 1, 'a') + "\xD0\x91"; // a two-byte letter across the limit
    ASSERT_EQ(db.append({sample("*100#", 0, std::string(5000, '7'), kStart, title)}), AppendResult::written);
    const auto rows = readAll();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(*rows[0].title, std::string(kLongestStoredTitle - 1, 'a'));
    EXPECT_EQ(rows[0].value.size(), kLongestStoredValue);
}

TEST_F(HistoryDatabaseTest, SetsAsideWhatIsNoHistoryDatabaseWithItsJournalAndStartsAfresh)
{
    struct Case {
        const char* name;
        std::function<void(const std::string&)> stage;
    };
    const Case cases[] = {
        {"text", [](const std::string& path) { writeHostFile(path, "this is not a database"); }},
        {"another schema", [](const std::string& path) {
             sqlite3* other = nullptr;
             sqlite3_open(path.c_str(), &other);
             sqlite3_exec(other, "CREATE TABLE notes(text);", nullptr, nullptr, nullptr);
             sqlite3_close(other);
         }},
        {"a truncated history", [](const std::string& path) {
             {
                 HistoryDatabase full;
                 std::vector<HistorySample> rows;
                 for (int i = 0; i < 2000; ++i)
                     rows.push_back(sample("*100#", 0, std::to_string(i), kStart + i * kSecond));
                 full.append(rows);
             }
             fs::resize_file(path, fs::file_size(path) / 2);
         }},
        {"a folder", [](const std::string& path) { fs::create_directories(path + "/inside"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(fs::path(file()).parent_path());
        fs::create_directories(fs::path(file()).parent_path());
        c.stage(file());
        if (!fs::is_directory(file()))
            writeHostFile(file() + "-journal", "a journal of the bad file");
        log.clear();

        HistoryDatabase db;
        const auto row = sample("*100#", 0, "12,30", kStart, "Balance", 12.3);
        ASSERT_EQ(db.append({row}), AppendResult::written);
        EXPECT_EQ(readAll(), std::vector<HistorySample>{row});
        const auto aside = besides(".corrupt-20261208T090000Z");
        ASSERT_FALSE(aside.empty());
        EXPECT_EQ(aside[0], "org.quillmoor.quorvel.history.db.corrupt-20261208T090000Z");
        // The bad file's journal went with it (or SQLite dropped it as invalid):
        // it is never played into the fresh database.
        EXPECT_FALSE(fs::exists(file() + "-journal"));
        EXPECT_EQ(log.startingWith("Qvl history: the history database is not usable").size(), 1u);
    }
}

TEST_F(HistoryDatabaseTest, ASecondSetAsideTheSameSecondGetsANameOfItsOwn)
{
    for (int i = 0; i < 2; ++i) {
        HistoryDatabase db;
        writeHostFile(file(), "garbage");
        ASSERT_EQ(db.append({sample("*100#", 0, "1", kStart)}), AppendResult::written);
    }
    EXPECT_EQ(besides(".corrupt"), (std::vector<std::string>{"org.quillmoor.quorvel.history.db.corrupt-20261208T090000Z",
                                                              "org.quillmoor.quorvel.history.db.corrupt-20261208T090000Z-2"}));
}

TEST_F(HistoryDatabaseTest, AFileRemovedOrReplacedWhileOpenIsNoticed)
{
    HistoryDatabase db;
    const auto first = sample("*100#", 0, "1", kStart);
    const auto second = sample("*100#", 0, "2", kStart + kSecond);
    ASSERT_EQ(db.append({first}), AppendResult::written);
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(file() + suffix);
    ASSERT_EQ(db.append({second}), AppendResult::written);
    EXPECT_EQ(readAll(), std::vector<HistorySample>{second});
    EXPECT_TRUE(log.contains("Qvl history: the history database was removed, starting afresh"));

    // Replaced by something else: opened afresh, found unusable, set aside.
    ASSERT_TRUE(platform::writeFileAtomically(kHistoryDatabasePath, "garbage"));
    ASSERT_EQ(db.append({first}), AppendResult::written);
    EXPECT_EQ(readAll(), std::vector<HistorySample>{first});
    EXPECT_EQ(besides(".corrupt").size(), 1u);
}

// The append's statements are kept prepared between appends: a table taken
// away behind the open connection fails the append just as preparing them
// afresh did (a failure, nothing set aside), and the rows already stored in
// the other table stay.
TEST_F(HistoryDatabaseTest, ATableTakenAwayWhileOpenFailsTheAppendAsAFreshPrepareDid)
{
    HistoryDatabase db;
    const auto first = sample("*100#", 0, "1", kStart, "Balance");
    const auto second = sample("*105#", 1, "2", kStart + kSecond, std::nullopt);
    ASSERT_EQ(db.append({first}), AppendResult::written);
    ASSERT_EQ(db.append({second}), AppendResult::written);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "DROP TABLE samples;", nullptr, nullptr, nullptr), SQLITE_OK);

    EXPECT_EQ(db.append({first, second}), AppendResult::failed);
    EXPECT_TRUE(besides(".corrupt").empty());
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(other, "SELECT count(*) FROM series;", -1, &count, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 2);
    sqlite3_finalize(count);
    sqlite3_close(other);
}

TEST_F(HistoryDatabaseTest, ALockedDatabaseIsLeftInPlaceAndReportedLocked)
{
    HistoryDatabase db;
    const auto first = sample("*100#", 0, "1", kStart);
    ASSERT_EQ(db.append({first}), AppendResult::written);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(file().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);

    const auto second = sample("*100#", 0, "2", kStart + kSecond);
    EXPECT_EQ(db.append({second}), AppendResult::locked);
    EXPECT_TRUE(besides(".corrupt").empty());
    EXPECT_EQ(log.startingWith("Qvl history: the history database is locked").size(), 1u);

    sqlite3_exec(holder, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    ASSERT_EQ(db.append({second}), AppendResult::written);
    EXPECT_EQ(readAll(), (std::vector<HistorySample>{first, second}));
}

TEST_F(HistoryDatabaseTest, ThinsToTheLastOfEachDayPastNinetyDaysOnly)
{
    HistoryDatabase db;
    std::vector<HistorySample> rows;
    const int64_t hours6 = 6 * 3600 * kSecond;
    for (int64_t t = kStart - 100 * kDay; t < kStart; t += hours6) {
        rows.push_back(sample("*100#", 0, "1", t));
        rows.push_back(sample("*100#", 1, "2", t, "Bonus"));
    }
    ASSERT_EQ(db.append(rows), AppendResult::written);
    ASSERT_TRUE(db.thin(at(kStart)));

    const int64_t cutoff = kStart - kStart % kDay - 90 * kDay;
    std::map<std::pair<int64_t, int64_t>, std::vector<int64_t>> oldByFieldAndDay;
    size_t recent = 0;
    for (const HistorySample& row : readAll()) {
        if (row.refreshedAt.micros() < cutoff)
            oldByFieldAndDay[{row.index, row.refreshedAt.micros() / kDay}].push_back(row.refreshedAt.micros());
        else
            ++recent;
    }
    EXPECT_EQ(recent, 2u * 4 * 90 + 2); // every row of the last 90 days and of today, for both fields
    EXPECT_EQ(oldByFieldAndDay.size(), 2u * 10);
    for (const auto& [key, times] : oldByFieldAndDay) {
        ASSERT_EQ(times.size(), 1u);
        EXPECT_EQ(times[0] % kDay, (kStart + 2 * hours6) % kDay); // the day's last refresh
    }
    const size_t before = readAll().size();
    ASSERT_TRUE(db.thin(at(kStart)));
    EXPECT_EQ(readAll().size(), before);
}

TEST_F(HistoryDatabaseTest, ReadingNeverCreatesAFileAndSaysWhyItCannotRead)
{
    auto error = readHistory(file(), {}, [](const HistorySample&) {});
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("no history database"), std::string::npos);
    EXPECT_FALSE(fs::exists(file()));
    writeHostFile(file(), "garbage");
    EXPECT_TRUE(readHistory(file(), {}, [](const HistorySample&) {}));
}

TEST_F(HistoryDatabaseTest, AFileThatClaimsToBeAHistoryButLacksItsTablesIsSetAside)
{
    {
        HistoryDatabase db;
        ASSERT_EQ(db.append({sample("*100#", 0, "1", kStart)}), AppendResult::written);
    }
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "DROP TABLE samples;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    HistoryDatabase db;
    const auto row = sample("*100#", 0, "2", kStart + kSecond);
    ASSERT_EQ(db.append({row}), AppendResult::written);
    EXPECT_EQ(besides(".corrupt").size(), 1u);
    EXPECT_EQ(readAll(), std::vector<HistorySample>{row});
}

} // namespace
} // namespace quorvel::history::test
