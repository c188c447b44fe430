#include "MessagingFixture.h"

#include "platform/foundation/Files.h"
#include "platform/runloop/RunLoop.h"
#include "platform/telephony/CoreTelephony.h"
#include "host/common/messaging/ChatItems.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

namespace sim {
namespace {

using testing::MessagingDevice;
using testing::RawDatabase;
using testing::smsDatabaseHostPath;

// Seconds from 2001-01-01 to the scenario start, 2026-12-08 09:00:00 UTC.
constexpr int64_t kStartMessageDate = 1796720400 - 978307200;

// What an observer of the chat-items change saw, delivery by delivery.
struct ChangeLog {
    struct Delivery {
        std::string process;
        bool hadKey = false;
        std::vector<long long> messageIDs;
        int bulletinsAtDelivery = 0;
    };
    std::vector<Delivery> deliveries;
    SpringBoard* board = nullptr;
};
ChangeLog* g_changes = nullptr;

void onChatItemsChanged(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict* userInfo)
{
    ChangeLog::Delivery d;
    d.process = platform::Process::current().name();
    d.bulletinsAtDelivery = g_changes->board->bulletinCount(kMessagesBundleIdentifier);
    if (userInfo && userInfo->count(platform::kIMChatItemsKey)) {
        d.hadKey = true;
        const platform::Value& items = userInfo->at(platform::kIMChatItemsKey);
        for (size_t i = 0; i < items.count(); ++i) {
            rt::Object* message = rt::msgSend<rt::Object*>(items.at(i).object(), "message");
            d.messageIDs.push_back(rt::msgSend<long long>(message, "messageID"));
        }
    }
    g_changes->deliveries.push_back(d);
}

class Messaging : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_changes = &m_changes;
        m_changes.board = &m_device.board;
        platform::ProcessScope in(m_device.springboard);
        platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, onChatItemsChanged,
                                               platform::kIMChatItemsDidChangeNotification, nullptr,
                                               platform::CFNotificationSuspensionBehaviorHold);
    }
    void TearDown() override { g_changes = nullptr; }

    MessagingService& messages() { return *m_device.messages; }

    MessagingDevice m_device;
    ChangeLog m_changes;
};

TEST_F(Messaging, CreatesTheTablesWithThePhonesColumns)
{
    RawDatabase db(smsDatabaseHostPath());
    ASSERT_EQ(db.openResult(), SQLITE_OK);
    struct Table {
        const char* name;
        std::vector<std::pair<std::string, std::string>> columns;
    };
    std::vector<Table> tables = {
        {"message", {{"ROWID", "INTEGER"}, {"guid", "TEXT"}, {"text", "TEXT"}, {"handle_id", "INTEGER"}, {"service", "TEXT"},
                     {"date", "INTEGER"}, {"is_read", "INTEGER"}, {"is_from_me", "INTEGER"}}},
        {"handle", {{"ROWID", "INTEGER"}, {"id", "TEXT"}, {"country", "TEXT"}, {"service", "TEXT"}, {"uncanonicalized_id", "TEXT"}}},
    };
    for (const Table& table : tables) {
        SCOPED_TRACE(table.name);
        std::set<std::pair<std::string, std::string>> found;
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db.get(), ("PRAGMA table_info(" + std::string(table.name) + ");").c_str(), -1, &stmt, nullptr), SQLITE_OK);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            found.emplace(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)),
                          reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)));
        }
        sqlite3_finalize(stmt);
        EXPECT_EQ(found.size(), table.columns.size());
        for (const auto& column : table.columns)
            EXPECT_TRUE(found.count(column)) << column.first << " " << column.second;
    }
    // AUTOINCREMENT keeps the bookkeeping table that stops ROWIDs being reused.
    EXPECT_EQ(db.run("SELECT name FROM sqlite_master WHERE name='sqlite_sequence';").step, SQLITE_ROW);
}

TEST_F(Messaging, StoresOneHandlePerSenderAndTheChatItemCarriesTheRowId)
{
    std::vector<std::pair<std::string, std::string>> arriving = {
        {"900", "Balance 12.50"}, {"+7 900 000", "Hello"}, {"900", "Balance 11.00"}};
    std::vector<int64_t> rowIds;
    for (const auto& [sender, text] : arriving) {
        rowIds.push_back(messages().receive(sender, text));
        m_device.device.runFor(std::chrono::seconds(10));
    }
    EXPECT_EQ(rowIds, (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(messages().handleCount(), 2);
    EXPECT_EQ(messages().messageCount(), 3);

    ASSERT_EQ(m_changes.deliveries.size(), 3u);
    std::set<std::string> guids;
    for (size_t i = 0; i < arriving.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m_changes.deliveries[i].messageIDs, (std::vector<long long>{rowIds[i]}));
        std::optional<host::StoredMessage> row = messages().message(rowIds[i]);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->sender, arriving[i].first);
        EXPECT_EQ(row->text, arriving[i].second);
        EXPECT_FALSE(row->isRead);
        EXPECT_FALSE(row->isFromMe);
        EXPECT_EQ(row->service, "SMS");
        EXPECT_EQ(row->date, kStartMessageDate + 10 * static_cast<int64_t>(i));
        EXPECT_FALSE(row->guid.empty());
        guids.insert(row->guid);
    }
    EXPECT_EQ(guids.size(), 3u);
    EXPECT_FALSE(messages().message(4));
}

TEST_F(Messaging, ReadersStatementsFindTheBodyAndSenderAndMarkRead)
{
    int64_t rowId = messages().receive("900", "Balance 12.50");
    RawDatabase db(smsDatabaseHostPath());
    // The reply lookup a reader makes: body, address, address as received.
    const std::string lookup = "SELECT text, handle.id, handle.uncanonicalized_id FROM message,handle "
                               "WHERE handle.rowid=message.handle_id and message.rowid=" + std::to_string(rowId) + ";";
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), lookup.c_str(), -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "Balance 12.50");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)), "900");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)), "900");
    sqlite3_finalize(stmt);

    EXPECT_EQ(messages().unreadCount(), 1);
    EXPECT_EQ(db.run("UPDATE message SET is_read=1 WHERE message.rowid=" + std::to_string(rowId) + ";").step, SQLITE_DONE);
    EXPECT_EQ(messages().unreadCount(), 0);
    EXPECT_TRUE(messages().message(rowId)->isRead);
}

TEST_F(Messaging, AnnouncesOnSpringBoardsRunLoopNotSynchronously)
{
    // The carrier hands the SMS over from its own process's run loop.
    platform::Process commCenter(m_device.device, "CommCenter", "com.apple.CommCenter");
    commCenter.mainRunLoop().performAfter(platform::Seconds(5), [this] { messages().receive("900", "Balance"); });
    m_device.device.runFor(std::chrono::seconds(4));
    EXPECT_TRUE(m_changes.deliveries.empty());

    // Stored at once, but nothing is announced until SpringBoard's loop turns.
    m_device.device.runUntil(m_device.device.now().addingSeconds(1));
    EXPECT_EQ(messages().messageCount(), 1);
    m_device.device.runPending();
    ASSERT_EQ(m_changes.deliveries.size(), 1u);
    EXPECT_EQ(m_changes.deliveries[0].process, kSpringBoardName);
    EXPECT_EQ(m_changes.deliveries[0].messageIDs, (std::vector<long long>{1}));
}

TEST_F(Messaging, ChangeObserversRunBeforeTheBulletinAndBadge)
{
    messages().receive("900", "Balance 12.50");
    EXPECT_EQ(m_device.board.bulletinCount(kMessagesBundleIdentifier), 0);
    m_device.device.runPending();
    ASSERT_EQ(m_changes.deliveries.size(), 1u);
    EXPECT_EQ(m_changes.deliveries[0].bulletinsAtDelivery, 0);

    ASSERT_EQ(m_device.board.publishedBulletins().size(), 1u);
    const PublishedBulletin& bulletin = m_device.board.publishedBulletins()[0];
    EXPECT_EQ(bulletin.section, kMessagesBundleIdentifier);
    EXPECT_EQ(bulletin.title, "900");
    EXPECT_EQ(bulletin.message, "Balance 12.50");
}

TEST_F(Messaging, BadgeCountsUnreadMessagesWhenItIsSet)
{
    messages().receive("900", "one");
    messages().receive("901", "two");
    m_device.device.runPending();
    EXPECT_EQ(m_device.board.badge(kMessagesBundleIdentifier), 2);
    EXPECT_EQ(messages().unreadCount(), 2);

    // A reader marks the third message read while handling its change: the
    // badge, set after that, no longer counts it.
    RawDatabase db(smsDatabaseHostPath());
    int markedRead = 0;
    m_device.springboard.telephonyCenter().addObserver(&db, platform::kIMChatItemsDidChangeNotification,
        [&](const platform::Notification& change) {
            const platform::Value& items = change.userInfo.at(platform::kIMChatItemsKey);
            rt::Object* message = rt::msgSend<rt::Object*>(items.at(0).object(), "message");
            long long rowId = rt::msgSend<long long>(message, "messageID");
            if (db.run("UPDATE message SET is_read=1 WHERE message.rowid=" + std::to_string(rowId) + ";").step == SQLITE_DONE)
                ++markedRead;
        });
    messages().receive("900", "three");
    m_device.device.runPending();
    EXPECT_EQ(markedRead, 1);
    EXPECT_EQ(m_device.board.badge(kMessagesBundleIdentifier), 2);
    EXPECT_EQ(m_device.board.bulletinCount(kMessagesBundleIdentifier), 3);
}

// Replacements that drop every badge and bulletin, as a tweak's may.
std::vector<int> g_droppedBadges;
std::vector<std::string> g_droppedSections;
void dropBadge(rt::Object*, rt::SEL, int badge) { g_droppedBadges.push_back(badge); }
void dropBulletin(rt::Object*, rt::SEL, rt::Object* bulletin, unsigned, bool)
{
    g_droppedSections.push_back(rt::msgSend<std::string>(bulletin, "section"));
}

TEST_F(Messaging, BulletinAndBadgeReachReplacedSpringBoardMethods)
{
    g_droppedBadges.clear();
    g_droppedSections.clear();
    rt::IMP originalBadge, originalPublish;
    rt::MSHookMessageEx(rt::objc_getClass("SBIcon"), "setBadge:", rt::IMP::of(&dropBadge), &originalBadge);
    rt::MSHookMessageEx(rt::objc_getClass("BBServer"), "publishBulletin:destinations:alwaysToLockScreen:",
                        rt::IMP::of(&dropBulletin), &originalPublish);
    ASSERT_TRUE(originalBadge);
    ASSERT_TRUE(originalPublish);

    messages().receive("900", "Balance");
    m_device.device.runPending();
    EXPECT_EQ(g_droppedBadges, (std::vector<int>{1}));
    EXPECT_EQ(g_droppedSections, (std::vector<std::string>{kMessagesBundleIdentifier}));
    EXPECT_EQ(m_device.board.bulletinCount(kMessagesBundleIdentifier), 0);
    EXPECT_EQ(m_device.board.badge(kMessagesBundleIdentifier), 0);
}

TEST_F(Messaging, PostsTestChangesWithOddOrNoItems)
{
    messages().postChatItemsChange({});
    messages().postChatItemsChange({platform::Value(host::makeChatItemWithoutMessage()),
                                    platform::Value(host::makeChatItemWithDraftMessage("900", "x"))});
    EXPECT_TRUE(m_changes.deliveries.empty());
    m_device.device.runPending();
    ASSERT_EQ(m_changes.deliveries.size(), 2u);
    EXPECT_TRUE(m_changes.deliveries[0].hadKey);
    EXPECT_TRUE(m_changes.deliveries[0].messageIDs.empty());
    EXPECT_EQ(m_changes.deliveries[1].messageIDs, (std::vector<long long>{host::kNoMessageID, host::kNoMessageID}));
    EXPECT_EQ(messages().messageCount(), 0);
    EXPECT_EQ(m_device.board.bulletinCount(kMessagesBundleIdentifier), 0);
}

TEST_F(Messaging, QueuedAnnouncementsAreDroppedWhenTheServiceGoesFirst)
{
    messages().receive("900", "Balance");
    m_device.messages.reset();
    m_device.device.runPending();
    EXPECT_TRUE(m_changes.deliveries.empty());
    EXPECT_EQ(m_device.board.bulletinCount(kMessagesBundleIdentifier), 0);
    // The message itself was stored and stays.
    EXPECT_EQ(RawDatabase(smsDatabaseHostPath()).run("SELECT COUNT(*) FROM message;").firstInteger, 1);
}

TEST(MessageDate, CountsWholeSecondsSince2001)
{
    struct Case {
        int64_t unixMicros;
        int64_t expected;
    };
    for (const Case& c : std::vector<Case>{{978307200'000000, 0},
                                           {978307200'999999, 0},
                                           {978307199'500000, -1},
                                           {1796720400'000000, kStartMessageDate}}) {
        SCOPED_TRACE(c.unixMicros);
        EXPECT_EQ(messageDate(platform::Date::fromMicros(c.unixMicros)), c.expected);
    }
}

} // namespace
} // namespace sim
