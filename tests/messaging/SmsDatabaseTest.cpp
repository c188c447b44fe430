#include "host/common/messaging/SmsDatabase.h"

#include "MessagingFixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace sim {
namespace {

using testing::RawDatabase;

class SmsDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = (std::filesystem::temp_directory_path() / ("sms-db-test-" + std::to_string(::getpid()) + ".db")).string();
        std::filesystem::remove(m_path);
    }
    void TearDown() override
    {
        for (const char* suffix : {"", "-journal"})
            std::filesystem::remove(m_path + suffix);
    }

    // Whether another connection can take the write lock right now: a kept
    // statement left mid-step would hold a read lock and keep it out.
    bool othersCanWrite()
    {
        RawDatabase other(m_path);
        RawDatabase::Outcome begin = other.run("BEGIN EXCLUSIVE;");
        other.run("COMMIT;");
        return begin.prepare == SQLITE_OK && begin.step == SQLITE_DONE;
    }

    std::string m_path;
};

// The connection's statements are prepared once and used many times: each use
// must start from fresh bindings and leave no lock behind, whatever it returned.
TEST_F(SmsDatabaseTest, KeptStatementsGiveFreshResultsAndHoldNoLockBetweenUses)
{
    std::string error;
    auto db = host::SmsDatabase::open(m_path, error);
    ASSERT_TRUE(db) << error;

    EXPECT_EQ(db->message(1, error), std::nullopt);
    EXPECT_TRUE(error.empty()) << error;
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const std::string sender = n == 2 ? "901" : "900";
        std::optional<int64_t> row = db->insertReceived({sender, "text " + std::to_string(n), 100 + n}, error);
        ASSERT_EQ(row, n) << error;
        EXPECT_TRUE(othersCanWrite());
        std::optional<host::StoredMessage> stored = db->message(n, error);
        ASSERT_TRUE(stored) << error;
        EXPECT_EQ(stored->text, "text " + std::to_string(n));
        EXPECT_EQ(stored->sender, sender);
        EXPECT_EQ(stored->date, 100 + n);
        EXPECT_TRUE(othersCanWrite());
        EXPECT_EQ(db->unreadCount(error), n);
        EXPECT_TRUE(othersCanWrite());
    }
    EXPECT_EQ(db->handleCount(error), 2);
    EXPECT_EQ(db->messageCount(error), 3);

    // A write by another connection shows on the next use of the same statement.
    RawDatabase(m_path).run("UPDATE message SET is_read = 1 WHERE ROWID = 2;");
    EXPECT_EQ(db->unreadCount(error), 2);
    EXPECT_TRUE(db->message(2, error)->isRead);
    EXPECT_TRUE(othersCanWrite());
}

// A failed store is rolled back whole, and the kept statements work after it.
TEST_F(SmsDatabaseTest, StoreFailingOnALockLeavesNothingAndTheNextOneWorks)
{
    std::string error;
    auto db = host::SmsDatabase::open(m_path, error);
    ASSERT_TRUE(db) << error;
    ASSERT_EQ(db->insertReceived({"900", "first", 1}, error), 1);

    {
        RawDatabase locker(m_path);
        ASSERT_EQ(locker.run("BEGIN EXCLUSIVE;").step, SQLITE_DONE);
        EXPECT_EQ(db->insertReceived({"902", "while locked", 2}, error), std::nullopt);
        EXPECT_NE(error.find("code 5"), std::string::npos) << error;   // SQLITE_BUSY
        locker.run("COMMIT;");
    }
    error.clear();
    EXPECT_EQ(db->insertReceived({"902", "after", 3}, error), 2) << error;
    EXPECT_EQ(db->messageCount(error), 2);
    EXPECT_EQ(db->handleCount(error), 2);
    EXPECT_TRUE(othersCanWrite());
    db.reset();
    // Closed with every statement finalized: the file is free.
    EXPECT_TRUE(othersCanWrite());
}

} // namespace
} // namespace sim
