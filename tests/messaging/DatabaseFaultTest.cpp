#include "MessagingFixture.h"

#include "platform/foundation/Files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sim {
namespace {

using testing::MessagingDevice;
using testing::RawDatabase;
using testing::smsDatabaseHostPath;

namespace fs = std::filesystem;

constexpr const char* kCountMessages = "SELECT COUNT(*) FROM message;";

class DatabaseFaults : public ::testing::Test {
protected:
    MessagingService& messages() { return *m_device.messages; }

    // Messages, in ROWID order, as another reader of sms.db sees them.
    std::vector<std::string> textsSeenByReader()
    {
        std::vector<std::string> texts;
        RawDatabase db(smsDatabaseHostPath());
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db.get(), "SELECT ROWID, text FROM message ORDER BY ROWID;", -1, &stmt, nullptr) != SQLITE_OK)
            return {"<unreadable>"};
        while (sqlite3_step(stmt) == SQLITE_ROW)
            texts.push_back(std::to_string(sqlite3_column_int64(stmt, 0)) + ":" +
                            reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        sqlite3_finalize(stmt);
        return texts;
    }

    MessagingDevice m_device;
};

TEST_F(DatabaseFaults, LockedKeepsOtherReadersOutWhileTheServiceStillStores)
{
    messages().receive("900", "before");
    messages().fault(DbFault::locked);
    EXPECT_EQ(messages().currentFault(), DbFault::locked);

    RawDatabase reader(smsDatabaseHostPath());
    ASSERT_EQ(reader.openResult(), SQLITE_OK);
    for (const char* sql : {kCountMessages, "UPDATE message SET is_read=1 WHERE message.rowid=1;"}) {
        SCOPED_TRACE(sql);
        RawDatabase::Outcome outcome = reader.run(sql);
        // Preparing reads the schema, so the lock may already show there.
        EXPECT_TRUE(outcome.prepare == SQLITE_BUSY || outcome.step == SQLITE_BUSY) << outcome.prepare << " " << outcome.step;
    }

    EXPECT_EQ(messages().receive("900", "during"), 2);
    EXPECT_EQ(messages().messageCount(), 2);
    EXPECT_EQ(messages().message(2)->text, "during");
    m_device.device.runPending();
    EXPECT_EQ(m_device.board.badge(kMessagesBundleIdentifier), 2);

    messages().fault(DbFault::none);
    EXPECT_EQ(reader.run(kCountMessages).firstInteger, 2);
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:before", "2:during"}));
}

TEST_F(DatabaseFaults, ReadonlyLetsOtherReadersInButNotTheirWrites)
{
    messages().receive("900", "before");
    messages().fault(DbFault::readonly);
    EXPECT_EQ(messages().currentFault(), DbFault::readonly);

    RawDatabase other(smsDatabaseHostPath());
    ASSERT_EQ(other.openResult(), SQLITE_OK);
    EXPECT_EQ(other.run(kCountMessages).firstInteger, 1);
    EXPECT_EQ(other.run("UPDATE message SET is_read=1 WHERE message.rowid=1;").step, SQLITE_BUSY);

    // The service's own message is stored and visible to the other reader at once.
    EXPECT_EQ(messages().receive("900", "during"), 2);
    EXPECT_EQ(other.run(kCountMessages).firstInteger, 2);
    EXPECT_EQ(other.run("UPDATE message SET is_read=1 WHERE message.rowid=2;").step, SQLITE_BUSY)
        << "the read transaction is held again after the service's write";
    EXPECT_EQ(messages().unreadCount(), 2);

    messages().fault(DbFault::none);
    EXPECT_EQ(other.run("UPDATE message SET is_read=1 WHERE message.rowid=2;").step, SQLITE_DONE);
    EXPECT_EQ(messages().unreadCount(), 1);
}

TEST_F(DatabaseFaults, MissingLeavesNoFileAndNoneBringsEveryMessageBack)
{
    messages().receive("900", "before");
    messages().fault(DbFault::missing);
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        SCOPED_TRACE(suffix);
        EXPECT_FALSE(platform::fileExists(std::string(kSmsDatabasePath) + suffix));
    }

    // The SMS is still stored and announced: only readers of sms.db miss it.
    EXPECT_EQ(messages().receive("900", "during"), 2);
    m_device.device.runPending();
    EXPECT_EQ(m_device.board.bulletinCount(kMessagesBundleIdentifier), 2);
    EXPECT_EQ(m_device.board.badge(kMessagesBundleIdentifier), 2);
    EXPECT_FALSE(platform::fileExists(kSmsDatabasePath));

    messages().fault(DbFault::none);
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:before", "2:during"}));
    EXPECT_EQ(messages().receive("900", "after"), 3);
}

TEST_F(DatabaseFaults, CorruptFailsReadersWithNotADatabaseAndNoneLeavesNoGarbage)
{
    messages().receive("900", "before");
    messages().fault(DbFault::corrupt);
    ASSERT_TRUE(platform::fileExists(kSmsDatabasePath));
    {
        RawDatabase reader(smsDatabaseHostPath());
        RawDatabase::Outcome read = reader.run("SELECT text, handle.id, handle.uncanonicalized_id FROM message,handle "
                                               "WHERE handle.rowid=message.handle_id and message.rowid=1;");
        EXPECT_EQ(read.prepare, SQLITE_NOTADB);
    }
    EXPECT_EQ(messages().receive("900", "during"), 2);

    messages().fault(DbFault::none);
    RawDatabase reader(smsDatabaseHostPath());
    EXPECT_EQ(reader.run("PRAGMA integrity_check;").firstText, "ok");
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:before", "2:during"}));
}

TEST_F(DatabaseFaults, SwitchingFaultsDirectlyLosesNothing)
{
    std::vector<DbFault> sequence = {DbFault::locked, DbFault::corrupt, DbFault::missing, DbFault::locked,
                                     DbFault::locked, DbFault::missing, DbFault::none};
    std::vector<std::string> expected;
    for (size_t i = 0; i < sequence.size(); ++i) {
        SCOPED_TRACE(dbFaultName(sequence[i]));
        messages().fault(sequence[i]);
        EXPECT_EQ(messages().currentFault(), sequence[i]);
        std::string text = "message " + std::to_string(i);
        int64_t rowId = messages().receive("900", text);
        EXPECT_EQ(rowId, static_cast<int64_t>(i + 1));
        expected.push_back(std::to_string(rowId) + ":" + text);
    }
    EXPECT_EQ(textsSeenByReader(), expected);
    EXPECT_EQ(messages().handleCount(), 1);
}

TEST_F(DatabaseFaults, ServiceGoingAwayDuringAFaultPutsTheDatabaseBack)
{
    for (DbFault fault : {DbFault::locked, DbFault::missing, DbFault::corrupt}) {
        SCOPED_TRACE(dbFaultName(fault));
        m_device.messages = std::make_unique<MessagingService>(m_device.springboard, m_device.board);
        int64_t before = messages().messageCount();
        messages().fault(fault);
        messages().receive("900", "while faulty");
        m_device.messages.reset();
        EXPECT_EQ(RawDatabase(smsDatabaseHostPath()).run(kCountMessages).firstInteger, before + 1);
    }
}

TEST_F(DatabaseFaults, DatabaseHeldAsideByAnEarlierRunIsPutBack)
{
    messages().receive("900", "kept");
    m_device.messages.reset();
    // As if a run had ended abruptly during a fault: the real file waits aside
    // and garbage sits in its place.
    fs::create_directories(fs::path(platform::hostPath(kHeldSmsDatabasePath)).parent_path());
    fs::rename(smsDatabaseHostPath(), platform::hostPath(kHeldSmsDatabasePath));
    std::ofstream(smsDatabaseHostPath()) << "garbage";

    m_device.messages = std::make_unique<MessagingService>(m_device.springboard, m_device.board);
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:kept"}));
    EXPECT_FALSE(platform::fileExists(kHeldSmsDatabasePath));
}

TEST_F(DatabaseFaults, UnreadableFileFoundAtStartIsKeptAsideAndAFreshOneUsed)
{
    m_device.messages.reset();
    fs::remove(smsDatabaseHostPath());
    std::string garbage(2048, 'x');
    std::ofstream(smsDatabaseHostPath(), std::ios::binary) << garbage;

    m_device.messages = std::make_unique<MessagingService>(m_device.springboard, m_device.board);
    EXPECT_EQ(platform::readFile(std::string(kSmsDatabasePath) + ".unreadable-1"), garbage);
    EXPECT_EQ(messages().receive("900", "fresh"), 1);
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:fresh"}));
}

// The service keeps its connection between messages; a file removed or
// replaced behind its back must not swallow the next message.
TEST_F(DatabaseFaults, FileRemovedOrReplacedBetweenMessagesGetsTheNextOne)
{
    messages().receive("900", "first");
    fs::remove(smsDatabaseHostPath());
    EXPECT_EQ(messages().receive("900", "after removal"), 1);
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:after removal"}));

    // Another database moved into its place, as a backup restore would.
    const std::string other = smsDatabaseHostPath() + ".restored";
    fs::copy_file(smsDatabaseHostPath(), other);
    RawDatabase(other).run("INSERT INTO message (guid, text) VALUES ('g', 'restored');");
    fs::rename(other, smsDatabaseHostPath());
    messages().receive("900", "after restore");
    EXPECT_EQ(textsSeenByReader(), (std::vector<std::string>{"1:after removal", "2:restored", "3:after restore"}));
    EXPECT_EQ(messages().messageCount(), 3);
    EXPECT_EQ(messages().unreadCount(), 3);
}

// Faults come and go around the kept connection: messages stored before,
// during and after each one all end up in the one file readers use.
TEST_F(DatabaseFaults, EveryFaultInTurnLosesNoMessage)
{
    std::vector<std::string> expected;
    int n = 0;
    for (DbFault fault : {DbFault::missing, DbFault::locked, DbFault::corrupt, DbFault::readonly, DbFault::missing}) {
        SCOPED_TRACE(dbFaultName(fault));
        const std::string before = "before " + std::string(dbFaultName(fault));
        const std::string during = "during " + std::string(dbFaultName(fault));
        messages().receive("900", before);
        messages().fault(fault);
        messages().receive("901", during);
        EXPECT_EQ(messages().messageCount(), n + 2);
        messages().fault(DbFault::none);
        expected.push_back(std::to_string(++n) + ":" + before);
        expected.push_back(std::to_string(++n) + ":" + during);
        EXPECT_EQ(textsSeenByReader(), expected);
    }
    EXPECT_EQ(messages().handleCount(), 2);
}

TEST(DbFaultNames, RoundTripAndRejectUnknown)
{
    for (DbFault fault : {DbFault::none, DbFault::locked, DbFault::readonly, DbFault::missing, DbFault::corrupt}) {
        SCOPED_TRACE(dbFaultName(fault));
        EXPECT_EQ(dbFaultNamed(dbFaultName(fault)), fault);
    }
    EXPECT_EQ(dbFaultNamed("Locked"), std::nullopt);
    EXPECT_EQ(dbFaultNamed(""), std::nullopt);
}

} // namespace
} // namespace sim
