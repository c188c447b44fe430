// SMS reply capture on a virtual clock: the engine's own requests, the Settings
// wizard's, odd chat-item changes, and a message database that misbehaves.
#include "tests/engine/SmsFixture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"
#include "engine/MessageDatabase.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "host/common/messaging/ChatItems.h"

#include <chrono>
#include <filesystem>
#include <functional>

namespace quorvel::engine::testing {

namespace {

using Dials = std::vector<std::string>;

platform::Value minutesCode(const std::string& sender)
{
    return codeRecord("*105#", 2, {{"Minutes", 0}, {"SMS", 1}}, sender);
}

platform::Value balanceCode()
{
    return codeRecord("*100#", 1, {{"Balance", 0}});
}

TEST_F(SmsEngineTest, MatchingSmsIsReadStoredAndTheNextCodeDialledAtOnce)
{
    writeCodes({minutesCode("900"), balanceCode()});
    requestRefresh();
    runForSeconds(5);
    const int64_t rowId = receive("900", "Left: 250 min and 40 SMS");

    EXPECT_EQ(telephony.dials, (Dials{"*105#", "*100#"})) << logText();
    EXPECT_EQ(storedField(0, 0), "250");
    EXPECT_EQ(storedField(0, 1), "40");
    EXPECT_EQ(announcements, 1);
    EXPECT_TRUE(logged("Qvl: message " + std::to_string(rowId) + " successfuly marked as read"));
    EXPECT_EQ(messages->unreadCount(), 0);
    EXPECT_EQ(chatItemObservers(), 0u);
    EXPECT_EQ(smsBulletins(), 0) << "the reply's banner is held back";
    EXPECT_EQ(smsBadge(), 0);

    // The matched wait was stopped: nothing expires into the next code's step.
    runForSeconds(120);
    EXPECT_EQ(logCountStartingWith("Qvl: SMS wait for response time"), 0) << logText();
    EXPECT_EQ(telephony.dials.size(), 2u);
}

TEST_F(SmsEngineTest, AnotherSendersSmsIsLetThroughAndOnlyTheExpiryMovesOn)
{
    writeCodes({minutesCode("900"), balanceCode()});
    requestRefresh();
    runForSeconds(3);
    receive("Mom", "Call me at 5");
    EXPECT_TRUE(logged("Qvl: Did not receive SMS from the expected sender, ignoring it."));
    EXPECT_TRUE(doNotSuppressThisSMS);
    EXPECT_EQ(smsBulletins(), 1);
    EXPECT_EQ(smsBadge(), 1);
    EXPECT_EQ(messages->unreadCount(), 1) << "an SMS that is not taken stays unread";

    // The expected SMS that follows is not examined: the observer is gone.
    runForSeconds(7);
    receive("900", "Left: 250 min and 40 SMS");
    EXPECT_EQ(logCount("Qvl: received SMS notification"), 1);
    EXPECT_EQ(smsBulletins(), 2);
    EXPECT_EQ(smsBadge(), 2);
    EXPECT_EQ(storedField(0, 0), "<none>");

    runFor(platform::Micros(50'000'000 - 1));
    EXPECT_EQ(telephony.dials.size(), 1u);
    runFor(platform::Micros(1));
    EXPECT_EQ(telephony.dials, (Dials{"*105#", "*100#"}));
    EXPECT_TRUE(logged("Qvl: SMS wait for response time (60.0 seconds) expired, moving to the next code"));
    EXPECT_EQ(storedField(0, 0), "<none>");
}

TEST_F(SmsEngineTest, SenderIsComparedAsPlainTextOnly)
{
    struct Case {
        const char* expected;
        const char* arriving;
        bool taken;
    };
    const Case cases[] = {
        {"+79001234567", "89001234567", false}, // international form against national form
        {"+79001234567", "+79001234567", true},
        {"Beeline", "BEELINE", false},
        {"900", "900 ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.expected) + " / " + c.arriving);
        writeCodes({minutesCode(c.expected)});
        requestRefresh();
        receive(c.arriving, "Left: 250 min and 40 SMS");
        EXPECT_EQ(storedField(0, 0), c.taken ? "250" : "<none>");
        EXPECT_EQ(doNotSuppressThisSMS, !c.taken);
        runForSeconds(61);
    }
}

TEST_F(SmsEngineTest, SettingsRequestHandsTheSmsOverWhoeverSentIt)
{
    writeCodes({balanceCode()});
    ASSERT_TRUE(platform::writeDictionaryAtomically(kSmsHandoffPath, {{"stale", 1}, {kHandoffTextKey, "old"}}));
    postDarwin(kExpectSmsReplyNotification);
    postDarwin(kUssdSentNotification);
    runForSeconds(5);
    receive("Beeline", "Left: 250 min");

    platform::Dict handoff = platform::readDictionary(kSmsHandoffPath);
    EXPECT_EQ(handoff, (platform::Dict{{kHandoffTextKey, "Left: 250 min"}, {kHandoffIdKey, "Beeline"}}))
        << "the file is replaced whole";
    EXPECT_EQ(darwinPosts(kSmsReplyStoredNotification), 1);
    EXPECT_EQ(messages->unreadCount(), 0);
    EXPECT_EQ(smsBulletins(), 0);
    EXPECT_EQ(storedField(0, 0), "<none>");
    EXPECT_EQ(announcements, 0);
    EXPECT_FALSE(ussdMessage.has_value()) << "a Settings request parses nothing";

    runForSeconds(55);
    EXPECT_TRUE(logged("Qvl: SMS wait for response time (60.0 seconds) expired (request initiated by Settings)"));
    EXPECT_TRUE(telephony.dials.empty());
}

// Odd changes each end with their error notification; the request then runs
// out like one that got no SMS.
TEST_F(SmsEngineTest, OddChatItemChangesEndWithTheirErrorNotification)
{
    struct Case {
        const char* what;
        std::function<void()> deliver;
        const char* error;
    };
    auto itemsOf = [this](platform::Value item) { return [this, item] { postChatItems({item}); }; };
    const Case cases[] = {
        {"an empty list", [this] { postChatItems({}); }, kSmsReplyError1Notification},
        {"no list at all",
         [this] {
             platform::Dict info{{"other", 1}};
             platform::postTelephonyNotification(*device, platform::kIMChatItemsDidChangeNotification, &info);
             device->runPending();
         },
         kSmsReplyError1Notification},
        {"an item without a message", itemsOf(platform::Value(host::makeChatItemWithoutMessage())), kSmsReplyError2Notification},
        {"a draft without an identifier", itemsOf(platform::Value(host::makeChatItemWithDraftMessage("900", "Left: 5"))),
         kSmsReplyError2Notification},
        {"an item that is no object", itemsOf(platform::Value("item")), kSmsReplyError2Notification},
        {"a negative identifier", itemsOf(platform::Value(host::makeMessageChatItem(-4, "900", "Left: 5"))),
         kSmsReplyError2Notification},
        {"no such row", itemsOf(platform::Value(host::makeMessageChatItem(999, "900", "Left: 5"))), kSmsReplyError3Notification},
        {"a NULL text column",
         [this] {
             ASSERT_TRUE(execOnDatabase("INSERT INTO handle (id, service) VALUES ('900', 'SMS');"
                                        "INSERT INTO message (ROWID, text, handle_id, service) VALUES (77, NULL, "
                                        "(SELECT ROWID FROM handle WHERE id = '900'), 'SMS');"));
             postChatItems({platform::Value(host::makeMessageChatItem(77, "900", "Left: 5"))});
         },
         kSmsReplyError3Notification},
    };
    writeCodes({codeRecord("*105#", 1, {{"Minutes", 0}}, "900")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearLog();
        const int errorsBefore = darwinPosts(c.error);
        requestRefresh();
        c.deliver();
        EXPECT_EQ(darwinPosts(c.error), errorsBefore + 1) << logText();
        EXPECT_EQ(chatItemObservers(), 0u);
        EXPECT_EQ(storedField(0, 0), "<none>");
        if (std::string(c.error) == kSmsReplyError2Notification) {
            EXPECT_TRUE(logged("Qvl: unable to get message ID from new chat item event, not parsing the message!"));
        }
        runForSeconds(60);
        EXPECT_TRUE(logged("Qvl: SMS wait for response time (60.0 seconds) expired, moving to the next code"));
    }
}

TEST_F(SmsEngineTest, DatabaseFaultsEndInErrorThreeWithTheStatementsResultCode)
{
    struct Case {
        const char* what;
        std::function<void()> breakDatabase;
        const char* line; // the line that tells what went wrong
    };
    const Case cases[] = {
        {"locked by the messaging service", [this] { messages->fault(sim::DbFault::locked); },
         "Qvl: Failed to retrieve table, error Code: 5"},
        {"overwritten with garbage", [this] { messages->fault(sim::DbFault::corrupt); },
         "Qvl: Failed to retrieve table, error Code: 26"},
        {"missing", [this] { messages->fault(sim::DbFault::missing); },
         "Qvl: message database /private/var/mobile/Library/SMS/sms.db is missing or unreadable"},
        {"of another schema", [this] { ASSERT_TRUE(execOnDatabase("ALTER TABLE message RENAME COLUMN text TO body;")); },
         "Qvl: Failed to retrieve table, error Code: 1"},
    };
    writeCodes({codeRecord("*105#", 1, {{"Minutes", 0}}, "900")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearLog();
        requestRefresh();
        // The row is stored before the fault, so only reading it can fail.
        const int64_t rowId = messages->receive("900", "Left: 250 min");
        ASSERT_GT(rowId, 0);
        c.breakDatabase();
        const int errorsBefore = darwinPosts(kSmsReplyError3Notification);

        const auto started = std::chrono::steady_clock::now();
        device->runPending();
        const auto spent = std::chrono::steady_clock::now() - started;
        EXPECT_LT(spent, std::chrono::seconds(1)) << "the run loop must not wait long for a lock";

        EXPECT_TRUE(logged(c.line)) << logText();
        EXPECT_TRUE(logged("Qvl: got an empty new SMS message (id=" + std::to_string(rowId) + ")"));
        EXPECT_EQ(darwinPosts(kSmsReplyError3Notification), errorsBefore + 1);
        EXPECT_EQ(storedField(0, 0), "<none>");
        EXPECT_FALSE(logged("Qvl: marking SMS as read..."));

        messages->fault(sim::DbFault::none);
        execOnDatabase("ALTER TABLE message RENAME COLUMN body TO text;");
        runForSeconds(60);
    }
    // Back to normal, the same code is refreshed from its SMS again.
    requestRefresh();
    receive("900", "Left: 230 min");
    EXPECT_EQ(storedField(0, 0), "230");
}

// Waiting for a lock is bounded well below what a user could notice, and a
// lookup and a mark-read together stay within 50 ms.
TEST(MessageDatabase, WaitsForALockAtMostTwentyFiveMillisecondsPerStatement)
{
    EXPECT_LE(kMessageDatabaseBusyTimeoutMs * 2, 50);
    EXPECT_GT(kMessageDatabaseBusyTimeoutMs, 0);
}

TEST_F(SmsEngineTest, FailedMarkReadIsLoggedAndTheSmsIsParsedAllTheSame)
{
    writeCodes({minutesCode("900"), balanceCode()});
    requestRefresh();
    const int64_t rowId = messages->receive("900", "Left: 250 min and 40 SMS");

    // Another writer holds the database: reading still works, writing does not.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open_v2(platform::hostPath(sim::kSmsDatabasePath).c_str(), &writer, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);
    device->runPending();
    sqlite3_exec(writer, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    EXPECT_TRUE(logged("Qvl: marking SMS as read..."));
    EXPECT_TRUE(logged("Qvl: Failed to retrieve table, error Code: 5")) << logText();
    EXPECT_FALSE(logged("Qvl: message " + std::to_string(rowId) + " successfuly marked as read"));
    EXPECT_EQ(storedField(0, 0), "250");
    EXPECT_EQ(telephony.dials, (Dials{"*105#", "*100#"}));
    EXPECT_EQ(messages->unreadCount(), 1);
}

TEST_F(SmsEngineTest, IdentifierThatIsNotANumberReadsNothing)
{
    for (const char* identifier : {"", "12abc", "1; DROP TABLE message", "99999999999999999999"}) {
        SCOPED_TRACE(identifier);
        SmsMessage sms = getSMSMessageWithID(identifier);
        EXPECT_TRUE(sms.text.empty());
        EXPECT_TRUE(sms.handle_id.empty());
        EXPECT_FALSE(markSMSAsRead(identifier));
    }
    EXPECT_EQ(messages->messageCount(), 0);
    const int64_t rowId = messages->receive("900", "Left: 5");
    SmsMessage sms = getSMSMessageWithID(std::to_string(rowId));
    EXPECT_EQ(sms.text, "Left: 5");
    EXPECT_EQ(sms.handle_id, "900");
    EXPECT_EQ(sms.uncanonicalized_id, "900");
}

// The engine keeps its connections between lookups: what it reads must still
// be what a fresh connection to the file at the path would read, and between
// calls it must hold nothing that keeps the messaging service out.
TEST_F(SmsEngineTest, LookupsFollowTheFileAtThePathAndHoldNoLockBetweenCalls)
{
    const std::string path = platform::hostPath(sim::kSmsDatabasePath);
    auto othersCanWrite = [&] {
        sqlite3* other = nullptr;
        sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
        const bool ok = sqlite3_exec(other, "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(other);
        return ok;
    };
    const int64_t first = messages->receive("900", "Left: 5");
    EXPECT_EQ(getSMSMessageWithID(std::to_string(first)).text, "Left: 5");
    EXPECT_TRUE(markSMSAsRead(std::to_string(first)));
    EXPECT_TRUE(othersCanWrite());

    // A copy with another text moved into the file's place.
    const std::string copy = path + ".copy";
    std::filesystem::copy_file(path, copy);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_exec(db, "UPDATE message SET text = 'Left: 7', is_read = 0;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    std::filesystem::rename(copy, path);
    EXPECT_EQ(getSMSMessageWithID(std::to_string(first)).text, "Left: 7");
    EXPECT_TRUE(markSMSAsRead(std::to_string(first)));
    EXPECT_EQ(messages->unreadCount(), 0);

    // Moved away and back (as the messaging service's faults do), then a lock
    // that makes one lookup fail: the next lookup after it works again.
    messages->fault(sim::DbFault::missing);
    EXPECT_TRUE(getSMSMessageWithID(std::to_string(first)).text.empty());
    messages->fault(sim::DbFault::none);
    const int64_t second = messages->receive("901", "Left: 9");
    messages->fault(sim::DbFault::locked);
    clearLog();
    EXPECT_TRUE(getSMSMessageWithID(std::to_string(second)).text.empty());
    EXPECT_TRUE(logged("Qvl: Failed to retrieve table, error Code: 5")) << logText();
    messages->fault(sim::DbFault::none);
    EXPECT_EQ(getSMSMessageWithID(std::to_string(second)).text, "Left: 9");
    EXPECT_EQ(getSMSMessageWithID(std::to_string(second)).handle_id, "901");
    EXPECT_TRUE(othersCanWrite());
}

} // namespace

} // namespace quorvel::engine::testing
