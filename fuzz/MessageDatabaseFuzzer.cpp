// The engine's two statements on the message database, run on a database
// built from the fuzz bytes: either a real SQLite file (an input that starts
// with SQLite's header is written out as sms.db as it is), or a schema and
// rows chosen by the bytes (FuzzedSmsDatabase), now and then missing or held
// locked by the messaging service. Neither call may crash or hang; on the
// phone's schema the lookup finds exactly the stored message and its sender,
// the mark-read sets that message's is_read and changes nothing else; while
// another connection holds the write lock the lookup finds that message or
// nothing, and the mark-read fails and changes nothing; every call that finds
// nothing says why in the log.
#include "engine/MessageDatabase.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzedSmsDatabase.h"
#include "platform/foundation/DevicePaths.h"

#include <sqlite3.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quorvel::engine::SmsMessage;

constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};
constexpr size_t kMaxIdentifierLength = 24;

std::string g_deviceRoot;
std::vector<std::string> g_logLines;

void removeDeviceRoot()
{
    std::error_code ignored;
    fs::remove_all(g_deviceRoot, ignored);
}

std::string databaseHostPath()
{
    return platform::hostPath(quorvel::engine::kSmsDatabasePath);
}

// The identifier's ROWID when it is plain decimal that fits, as the chat item writes it.
std::optional<int64_t> decimalRowId(const std::string& identifier)
{
    if (identifier.empty())
        return std::nullopt;
    for (size_t i = 0; i < identifier.size(); ++i)
        if (!(identifier[i] >= '0' && identifier[i] <= '9') && !(i == 0 && identifier[i] == '-' && identifier.size() > 1))
            return std::nullopt;
    int64_t rowId = 0;
    const char* end = identifier.data() + identifier.size();
    auto [stop, error] = std::from_chars(identifier.data(), end, rowId);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return rowId;
}

// What a C string read of the column keeps: the bytes before any NUL.
std::string asColumnText(const std::string& stored)
{
    return std::string(stored.c_str());
}

SmsMessage expectedLookup(const FuzzedSmsDatabase& db, std::optional<int64_t> rowId)
{
    if (!rowId)
        return {};
    auto message = db.messages.find(*rowId);
    if (message == db.messages.end())
        return {};
    auto handle = db.handles.find(message->second.handleId);
    if (handle == db.handles.end())
        return {};
    return {message->second.text ? asColumnText(*message->second.text) : std::string(),
            asColumnText(handle->second.id),
            handle->second.uncanonicalizedId ? asColumnText(*handle->second.uncanonicalizedId) : std::string()};
}

std::string fuzzedIdentifier(const FuzzedSmsDatabase& db, FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
        if (!db.messages.empty()) {
            auto it = db.messages.begin();
            std::advance(it, input.ConsumeIntegralInRange<size_t>(0, db.messages.size() - 1));
            return std::to_string(it->first);
        }
        [[fallthrough]];
    case 1: return std::to_string(input.ConsumeIntegral<int64_t>());
    default: return input.ConsumeRandomLengthString(kMaxIdentifierLength);
    }
}

std::optional<int64_t> isReadOf(int64_t rowId)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    std::optional<int64_t> isRead;
    if (sqlite3_open_v2(databaseHostPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT is_read FROM message WHERE ROWID=?;", -1, &stmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(stmt, 1, rowId);
        if (sqlite3_step(stmt) == SQLITE_ROW)
            isRead = sqlite3_column_int64(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return isRead;
}

bool sameMessage(const SmsMessage& a, const SmsMessage& b)
{
    return a.text == b.text && a.handle_id == b.handle_id && a.uncanonicalized_id == b.uncanonicalized_id;
}

// A lookup that found nothing logged why, past its opening line.
void requireReasonLogged(const char* call)
{
    if (g_logLines.size() < 2)
        fuzzcheck::fail(std::string(call) + " found nothing and logged no reason");
}

void runOnRawFile(const uint8_t* data, size_t size)
{
    const std::string path = databaseHostPath();
    removeDatabaseFiles(path);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    for (const char* identifier : {"1", "2"}) {
        g_logLines.clear();
        SmsMessage found = quorvel::engine::getSMSMessageWithID(identifier);
        if (found.text.empty() && found.handle_id.empty())
            requireReasonLogged("getSMSMessageWithID");
        g_logLines.clear();
        if (!quorvel::engine::markSMSAsRead(identifier))
            requireReasonLogged("markSMSAsRead");
    }
}

// The messaging service has not made the database (or it was removed): both
// calls find nothing, and neither creates the file in the service's place.
void runWithoutDatabase(const std::string& path, const std::string& identifier)
{
    removeDatabaseFiles(path);
    g_logLines.clear();
    const SmsMessage found = quorvel::engine::getSMSMessageWithID(identifier);
    fuzzcheck::require(sameMessage(found, SmsMessage{}), "a lookup without a database found a message");
    requireReasonLogged("getSMSMessageWithID");
    g_logLines.clear();
    fuzzcheck::require(!quorvel::engine::markSMSAsRead(identifier), "marking read without a database succeeded");
    requireReasonLogged("markSMSAsRead");
    fuzzcheck::require(!fs::exists(path), "the engine created the message database");
}

// The messaging service holding the database in a write transaction of its
// own while the engine reads and writes it.
class HeldLock {
public:
    HeldLock(const std::string& path, bool exclusive)
    {
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
            sqlite3_exec(m_db, exclusive ? "BEGIN EXCLUSIVE;" : "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
    }
    ~HeldLock() { sqlite3_close(m_db); } // rolls the transaction back
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    sqlite3* m_db = nullptr;
};

void runOnBuiltDatabase(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string path = databaseHostPath();
    const FuzzedSmsDatabase db = FuzzedSmsDatabase::build(path, input);
    const std::string identifier = fuzzedIdentifier(db, input);
    const std::optional<int64_t> rowId = decimalRowId(identifier);
    const int situation = input.ConsumeIntegralInRange(0, 31);
    if (situation == 0) {
        runWithoutDatabase(path, identifier);
        return;
    }
    // Rare, as each locked call waits out the engine's busy timeout.
    const bool locked = situation == 1;

    const std::string before = dumpMessageTables(path, locked ? std::nullopt : rowId);
    std::optional<HeldLock> lock;
    if (locked)
        lock.emplace(path, input.ConsumeBool());

    g_logLines.clear();
    const SmsMessage found = quorvel::engine::getSMSMessageWithID(identifier);
    if (found.text.empty() && found.handle_id.empty())
        requireReasonLogged("getSMSMessageWithID");
    // Under a lock the lookup may find nothing, but never something else.
    if (db.checkable && !sameMessage(found, expectedLookup(db, rowId)) && !(locked && sameMessage(found, {})))
        fuzzcheck::fail("the lookup of " + identifier + " found text \"" + found.text + "\" from \"" + found.handle_id +
                        "\", not the stored message");

    g_logLines.clear();
    const bool marked = quorvel::engine::markSMSAsRead(identifier);
    if (!marked)
        requireReasonLogged("markSMSAsRead");
    lock.reset();

    fuzzcheck::require(dumpMessageTables(path, locked ? std::nullopt : rowId) == before,
                       locked ? "marking read while the database is locked changed it"
                              : "marking a message read changed another value");
    if (locked) {
        fuzzcheck::require(!marked, "marking read succeeded while another connection held the write lock");
    } else if (db.checkable) {
        fuzzcheck::require(marked == rowId.has_value(),
                           "on the phone's schema, marking read runs exactly when the identifier is a number");
        if (marked && db.messages.count(*rowId))
            fuzzcheck::require(isReadOf(*rowId) == 1, "a message marked read is still unread");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    platform::setLogToStandardError(false);
    platform::setLogSink([](const std::string& line) { g_logLines.push_back(line); });

    std::string pattern = (fs::temp_directory_path() / "quorvel-fuzz-sms-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        fuzzcheck::fail("cannot make a temporary device root");
    g_deviceRoot = pattern;
    std::atexit(removeDeviceRoot);
    platform::setDeviceRoot(g_deviceRoot);
    fs::create_directories(g_deviceRoot + "/private/var/mobile/Library/SMS");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= kSqliteHeader.size() && std::memcmp(data, kSqliteHeader.data(), kSqliteHeader.size()) == 0)
        runOnRawFile(data, size);
    else
        runOnBuiltDatabase(data, size);
    return 0;
}
