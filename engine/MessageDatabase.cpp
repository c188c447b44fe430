#include "engine/MessageDatabase.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>

namespace quorvel::engine {

namespace {

constexpr const char* kLookupStatement =
    "SELECT text, handle.id, handle.uncanonicalized_id FROM message,handle WHERE handle.rowid=message.handle_id and "
    "message.rowid=?;";
constexpr const char* kMarkReadStatement = "UPDATE message SET is_read=1 WHERE message.rowid=?;";

// The connection for one statement. Opening parses the database's schema,
// which cost more than the statement itself, so the connection is kept for
// the next call, one per open mode, with its statement prepared; between
// calls it holds no lock (the statement is reset). It is opened afresh
// whenever a fresh one could differ: the path leads elsewhere (another device
// folder), the file there is another file (replaced, moved aside and back),
// or the last use failed.
class Connection {
public:
    explicit Connection(int flags) : m_kept(keptFor(flags))
    {
        const std::string path = platform::hostPath(kSmsDatabasePath);
        struct stat info {};
        const bool there = ::stat(path.c_str(), &info) == 0;
        if (m_kept.db && !(there && m_kept.path == path && m_kept.device == info.st_dev && m_kept.inode == info.st_ino))
            m_kept.close();
        if (m_kept.db) {
            m_openResult = SQLITE_OK;
            return;
        }
        m_openResult = sqlite3_open_v2(path.c_str(), &m_kept.db, flags, nullptr);
        if (m_openResult != SQLITE_OK) {
            // A failed open still hands back a handle to release.
            m_kept.close();
            return;
        }
        sqlite3_busy_timeout(m_kept.db, kMessageDatabaseBusyTimeoutMs);
        m_kept.path = path;
        m_kept.device = there ? info.st_dev : 0;
        m_kept.inode = there ? info.st_ino : 0;
    }
    // Kept only after a use that went to its end.
    ~Connection()
    {
        if (!m_succeeded)
            m_kept.close();
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return m_openResult == SQLITE_OK; }
    int openResult() const { return m_openResult; }
    sqlite3* get() const { return m_kept.db; }
    void succeeded() { m_succeeded = true; }
    // The statement for `sql` on this connection, prepared on first use, with
    // SQLite's result code.
    std::pair<sqlite3_stmt*, int> prepared(const char* sql)
    {
        if (m_kept.statement && m_kept.statementSql == sql)
            return {m_kept.statement, SQLITE_OK};
        sqlite3_finalize(m_kept.statement);
        m_kept.statement = nullptr;
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v3(m_kept.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return {nullptr, rc};
        }
        m_kept.statement = stmt;
        m_kept.statementSql = sql;
        return {stmt, rc};
    }

private:
    struct Kept {
        sqlite3* db = nullptr;
        sqlite3_stmt* statement = nullptr;
        const char* statementSql = nullptr;
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        void close()
        {
            sqlite3_finalize(statement);
            statement = nullptr;
            sqlite3_close(db);
            db = nullptr;
            path.clear();
        }
        ~Kept() { close(); }
    };
    static Kept& keptFor(int flags)
    {
        static Kept readOnly;
        static Kept readWrite;
        return flags == SQLITE_OPEN_READONLY ? readOnly : readWrite;
    }

    Kept& m_kept;
    int m_openResult = SQLITE_ERROR;
    bool m_succeeded = false;
};

// One use of the connection's statement: reset and unbound however the
// caller leaves, so that nothing of it outlives the call.
class Statement {
public:
    Statement(Connection& db, const char* sql)
    {
        std::tie(m_stmt, m_prepareResult) = db.prepared(sql);
    }
    ~Statement()
    {
        if (m_stmt) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int prepareResult() const { return m_prepareResult; }
    sqlite3_stmt* get() const { return m_stmt; }

    std::string text(int column) const
    {
        const unsigned char* value = sqlite3_column_text(m_stmt, column);
        return value ? reinterpret_cast<const char*>(value) : std::string();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_prepareResult = SQLITE_ERROR;
};

void logStatementFailure(int resultCode)
{
    QLog("Qvl: Failed to retrieve table, error Code: %d", resultCode);
}

// The identifier as the chat item gave it, written in decimal by the caller.
std::optional<int64_t> rowIdOf(const std::string& identifier)
{
    int64_t rowId = 0;
    const char* end = identifier.data() + identifier.size();
    auto [stop, error] = std::from_chars(identifier.data(), end, rowId);
    if (error != std::errc() || stop != end || identifier.empty())
        return std::nullopt;
    return rowId;
}

// The file must be there before SQLite is asked: opening a missing path
// would otherwise create an empty database in the messaging service's place.
bool databaseIsReadable()
{
    if (platform::isReadableFile(kSmsDatabasePath))
        return true;
    QLog("Qvl: message database %@ is missing or unreadable", kSmsDatabasePath);
    return false;
}

} // namespace

SmsMessage getSMSMessageWithID(const std::string& identifier)
{
    QLog("Qvl: getSMSMessageWithID...");
    SmsMessage sms;
    std::optional<int64_t> rowId = rowIdOf(identifier);
    if (!rowId) {
        QLog("Qvl: message identifier %@ is not a number, not reading the message", identifier);
        return sms;
    }
    if (!databaseIsReadable())
        return sms;

    // Read-only: a lookup never needs to write, so it never waits for a writer's lock.
    Connection db(SQLITE_OPEN_READONLY);
    if (!db.isOpen()) {
        QLog("Qvl: cannot open the message database, error Code: %d", db.openResult());
        return sms;
    }
    Statement lookup(db, kLookupStatement);
    if (lookup.prepareResult() != SQLITE_OK) {
        logStatementFailure(lookup.prepareResult());
        return sms;
    }
    sqlite3_bind_int64(lookup.get(), 1, *rowId);
    const int stepResult = sqlite3_step(lookup.get());
    if (stepResult == SQLITE_ROW) {
        sms.handle_id = lookup.text(1);
        sms.uncanonicalized_id = lookup.text(2);
        sms.text = lookup.text(0);
        QLog("Qvl: got new SMS: text=%@, id=%@", sms.text, sms.handle_id);
        db.succeeded();
    } else if (stepResult != SQLITE_DONE) {
        // A lock taken after the statement was prepared shows only here.
        logStatementFailure(stepResult);
    } else {
        QLog("Qvl: no message %@ in the message database", identifier);
        db.succeeded();
    }
    return sms;
}

bool markSMSAsRead(const std::string& identifier)
{
    QLog("Qvl: marking SMS as read...");
    std::optional<int64_t> rowId = rowIdOf(identifier);
    if (!rowId) {
        QLog("Qvl: message identifier %@ is not a number, not marking it read", identifier);
        return false;
    }
    if (!databaseIsReadable())
        return false;

    Connection db(SQLITE_OPEN_READWRITE);
    if (!db.isOpen()) {
        QLog("Qvl: cannot open the message database, error Code: %d", db.openResult());
        return false;
    }
    Statement markRead(db, kMarkReadStatement);
    if (markRead.prepareResult() != SQLITE_OK) {
        logStatementFailure(markRead.prepareResult());
        return false;
    }
    sqlite3_bind_int64(markRead.get(), 1, *rowId);
    const int stepResult = sqlite3_step(markRead.get());
    if (stepResult != SQLITE_DONE) {
        // The write lock is taken at the step: a reader holding the database shows here.
        logStatementFailure(stepResult);
        return false;
    }
    QLog("Qvl: message %@ successfuly marked as read", identifier);
    db.succeeded();
    return true;
}

} // namespace quorvel::engine
