// One SQLite connection to a message database in the phone's layout: the
// `message` and `handle` tables with the columns readers of the phone's
// database rely on. The messaging service keeps one open for its work (a new
// one whenever the file at the path changes or a statement fails), and holds
// another while it keeps the database locked.
//
//   std::string error;
//   auto db = SmsDatabase::open(platform::hostPath(kSmsDatabasePath), error);
//   if (db) rowId = db->insertReceived({"900", "Balance 12.50", date}, error);
//
// Every failure is a value (an empty optional or nullptr) with a readable
// error text that names SQLite's result code; nothing throws. Single-threaded;
// the connection closes with the object. Its statements are prepared once and
// reused, so a connection kept open does each piece of work without parsing SQL.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace host {

// Where the phone keeps its message database, and the engine reads it.
inline constexpr const char* kSmsDatabasePath = "/private/var/mobile/Library/SMS/sms.db";
// 2001-01-01 00:00:00 UTC, the epoch of the database's dates, in Unix seconds.
inline constexpr int64_t kMessageDateEpoch = 978307200;

// A message as the database holds it, joined with its sender's handle.
struct StoredMessage {
    int64_t rowId = 0;
    std::string guid;
    std::string text;
    std::string sender;   // handle.id; empty when the message has no handle
    std::string service;
    int64_t date = 0;     // seconds since 2001-01-01 00:00:00 UTC
    bool isRead = false;
    bool isFromMe = false;
};

struct IncomingSms {
    std::string sender;   // as the carrier writes it
    std::string text;
    int64_t date = 0;     // seconds since 2001-01-01 00:00:00 UTC
};

class SmsDatabase {
public:
    // Opens (creating the file if needed) and makes sure both tables exist.
    // nullptr when the file cannot be opened or is not a database; `resultCode`
    // then holds SQLite's code (SQLITE_NOTADB for a file of garbage).
    static std::unique_ptr<SmsDatabase> open(const std::string& hostPath, std::string& error, int* resultCode = nullptr);
    ~SmsDatabase();
    SmsDatabase(const SmsDatabase&) = delete;
    SmsDatabase& operator=(const SmsDatabase&) = delete;

    // Runs statements that return no rows ("BEGIN EXCLUSIVE", "COMMIT").
    bool exec(const std::string& sql, std::string& error);

    // Stores an incoming SMS as unread and not from me, reusing the sender's
    // handle or adding one. All or nothing (a savepoint, so it also works
    // inside a transaction the caller holds). Returns the message's ROWID.
    std::optional<int64_t> insertReceived(const IncomingSms& sms, std::string& error);

    std::optional<int64_t> unreadCount(std::string& error);
    std::optional<int64_t> messageCount(std::string& error);
    std::optional<int64_t> handleCount(std::string& error);
    // nullopt when there is no such row, or on error (then `error` is set).
    std::optional<StoredMessage> message(int64_t rowId, std::string& error);

private:
    explicit SmsDatabase(sqlite3* db) : m_db(db) {}
    // The statement for `sql` (a literal of this file), prepared on first use,
    // with SQLite's result code; nullptr when it cannot be prepared.
    std::pair<sqlite3_stmt*, int> prepared(const char* sql);
    // Runs a statement of no rows through its prepared form, with the error
    // text exec would give.
    bool run(const char* sql, std::string& error);
    std::optional<int64_t> handleFor(const std::string& sender, std::string& error);
    std::optional<int64_t> countOf(const char* sql, std::string& error);
    std::string describeError(const char* what) const;

    sqlite3* m_db;
    std::vector<std::pair<std::string, sqlite3_stmt*>> m_statements;
};

} // namespace host
