#include "host/common/messaging/SmsDatabase.h"

#include <sqlite3.h>

#include <cinttypes>
#include <cstdio>
#include <utility>

namespace host {

namespace {

// The tables as the phone's database has them, trimmed to the columns that
// readers of it use. The handle's (id, service) pair is unique there too,
// which is what keeps one handle per sender.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS message ("
    " ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE, text TEXT, handle_id INTEGER DEFAULT 0,"
    " service TEXT, date INTEGER, is_read INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS handle ("
    " ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, country TEXT, service TEXT NOT NULL,"
    " uncanonicalized_id TEXT, UNIQUE (id, service));";

constexpr const char* kSmsService = "SMS";

// One use of a kept prepared statement: reset and unbound however the caller
// leaves, so that it holds no lock and no text between uses.
class Statement {
public:
    explicit Statement(std::pair<sqlite3_stmt*, int> prepared) : m_stmt(prepared.first), m_rc(prepared.second) {}
    ~Statement()
    {
        if (m_stmt) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK && m_stmt; }
    sqlite3_stmt* get() const { return m_stmt; }
    void bind(int index, const std::string& text) { sqlite3_bind_text(m_stmt, index, text.c_str(), -1, SQLITE_TRANSIENT); }
    void bind(int index, int64_t value) { sqlite3_bind_int64(m_stmt, index, value); }
    int step() { return sqlite3_step(m_stmt); }
    std::string text(int column) const
    {
        const unsigned char* s = sqlite3_column_text(m_stmt, column);
        return s ? reinterpret_cast<const char*>(s) : std::string();
    }
    int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

// A readable identifier in the platform's UUID shape. The ROWID of an
// AUTOINCREMENT table is never reused, so carrying it in the last group makes
// the guid unique within the database; the mixed bits only make guids look
// less alike.
std::string guidFor(int64_t rowId, int64_t date)
{
    uint64_t mix = static_cast<uint64_t>(rowId) * 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(date);
    mix = (mix ^ (mix >> 31)) * 0xBF58476D1CE4E5B9ULL;
    mix ^= mix >> 27;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%08" PRIX32 "-%04" PRIX32 "-4%03" PRIX32 "-%04" PRIX32 "-%012" PRIX64,
                  static_cast<uint32_t>(mix >> 32), static_cast<uint32_t>((mix >> 16) & 0xFFFF),
                  static_cast<uint32_t>(mix & 0xFFF), static_cast<uint32_t>(0x8000 | ((mix >> 12) & 0x3FFF)),
                  static_cast<uint64_t>(rowId & 0xFFFFFFFFFFFF));
    return buffer;
}

} // namespace

std::unique_ptr<SmsDatabase> SmsDatabase::open(const std::string& hostPath, std::string& error, int* resultCode)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(hostPath.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = "cannot open " + hostPath + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)) + " (code " +
                std::to_string(rc) + ")";
        sqlite3_close(raw);
        if (resultCode)
            *resultCode = rc;
        return nullptr;
    }
    std::unique_ptr<SmsDatabase> db(new SmsDatabase(raw));
    // SQLite reads the file lazily: the schema statement is where a file of
    // garbage, or a lock held elsewhere, first shows.
    char* message = nullptr;
    rc = sqlite3_exec(raw, kSchema, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        error = "cannot use " + hostPath + ": " + (message ? message : sqlite3_errstr(rc)) + " (code " + std::to_string(rc) + ")";
        sqlite3_free(message);
        if (resultCode)
            *resultCode = rc;
        return nullptr;
    }
    if (resultCode)
        *resultCode = SQLITE_OK;
    return db;
}

SmsDatabase::~SmsDatabase()
{
    // Every statement must be gone for the close to release the file.
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
}

std::pair<sqlite3_stmt*, int> SmsDatabase::prepared(const char* sql)
{
    for (auto& [text, stmt] : m_statements) {
        if (text == sql)
            return {stmt, SQLITE_OK};
    }
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        return {nullptr, rc == SQLITE_OK ? SQLITE_ERROR : rc};
    }
    m_statements.emplace_back(sql, stmt);
    return {stmt, SQLITE_OK};
}

bool SmsDatabase::run(const char* sql, std::string& error)
{
    auto [stmt, rc] = prepared(sql);
    if (stmt) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE || rc == SQLITE_ROW)
            rc = SQLITE_OK;
        sqlite3_reset(stmt);
    }
    if (rc == SQLITE_OK)
        return true;
    error = std::string(sql) + ": " + sqlite3_errmsg(m_db) + " (code " + std::to_string(rc) + ")";
    return false;
}

std::string SmsDatabase::describeError(const char* what) const
{
    return std::string(what) + ": " + sqlite3_errmsg(m_db) + " (code " + std::to_string(sqlite3_errcode(m_db)) + ")";
}

bool SmsDatabase::exec(const std::string& sql, std::string& error)
{
    char* message = nullptr;
    int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return true;
    error = sql + ": " + (message ? message : sqlite3_errstr(rc)) + " (code " + std::to_string(rc) + ")";
    sqlite3_free(message);
    return false;
}

std::optional<int64_t> SmsDatabase::handleFor(const std::string& sender, std::string& error)
{
    Statement find(prepared("SELECT ROWID FROM handle WHERE id = ?1 AND service = ?2;"));
    if (!find.ok()) {
        error = describeError("looking up the handle");
        return std::nullopt;
    }
    find.bind(1, sender);
    find.bind(2, std::string(kSmsService));
    int rc = find.step();
    if (rc == SQLITE_ROW)
        return find.integer(0);
    if (rc != SQLITE_DONE) {
        error = describeError("looking up the handle");
        return std::nullopt;
    }

    // No contacts and no number normalisation here: the address is stored as
    // the carrier wrote it, both as id and as received.
    Statement add(prepared("INSERT INTO handle (id, country, service, uncanonicalized_id) VALUES (?1, NULL, ?2, ?1);"));
    if (!add.ok()) {
        error = describeError("adding the handle");
        return std::nullopt;
    }
    add.bind(1, sender);
    add.bind(2, std::string(kSmsService));
    if (add.step() != SQLITE_DONE) {
        error = describeError("adding the handle");
        return std::nullopt;
    }
    return sqlite3_last_insert_rowid(m_db);
}

std::optional<int64_t> SmsDatabase::insertReceived(const IncomingSms& sms, std::string& error)
{
    if (!run("SAVEPOINT receive;", error))
        return std::nullopt;
    auto rollBack = [&] {
        std::string ignored;
        exec("ROLLBACK TO receive; RELEASE receive;", ignored);
        return std::nullopt;
    };

    std::optional<int64_t> handle = handleFor(sms.sender, error);
    if (!handle)
        return rollBack();

    Statement insert(prepared("INSERT INTO message (guid, text, handle_id, service, date, is_read, is_from_me)"
                              " VALUES (NULL, ?1, ?2, ?3, ?4, 0, 0);"));
    if (!insert.ok()) {
        error = describeError("adding the message");
        return rollBack();
    }
    insert.bind(1, sms.text);
    insert.bind(2, *handle);
    insert.bind(3, std::string(kSmsService));
    insert.bind(4, sms.date);
    if (insert.step() != SQLITE_DONE) {
        error = describeError("adding the message");
        return rollBack();
    }
    int64_t rowId = sqlite3_last_insert_rowid(m_db);

    // The guid is made from the ROWID, which only the insert reveals.
    Statement guid(prepared("UPDATE message SET guid = ?1 WHERE ROWID = ?2;"));
    if (!guid.ok()) {
        error = describeError("setting the guid");
        return rollBack();
    }
    guid.bind(1, guidFor(rowId, sms.date));
    guid.bind(2, rowId);
    if (guid.step() != SQLITE_DONE) {
        error = describeError("setting the guid");
        return rollBack();
    }

    if (!run("RELEASE receive;", error))
        return rollBack();
    return rowId;
}

std::optional<int64_t> SmsDatabase::countOf(const char* sql, std::string& error)
{
    Statement count(prepared(sql));
    if (!count.ok() || count.step() != SQLITE_ROW) {
        error = describeError("counting");
        return std::nullopt;
    }
    return count.integer(0);
}

std::optional<int64_t> SmsDatabase::unreadCount(std::string& error)
{
    return countOf("SELECT COUNT(*) FROM message WHERE is_read = 0 AND is_from_me = 0;", error);
}

std::optional<int64_t> SmsDatabase::messageCount(std::string& error)
{
    return countOf("SELECT COUNT(*) FROM message;", error);
}

std::optional<int64_t> SmsDatabase::handleCount(std::string& error)
{
    return countOf("SELECT COUNT(*) FROM handle;", error);
}

std::optional<StoredMessage> SmsDatabase::message(int64_t rowId, std::string& error)
{
    Statement find(prepared("SELECT message.ROWID, message.guid, message.text, handle.id, message.service, message.date,"
                            " message.is_read, message.is_from_me"
                            " FROM message LEFT JOIN handle ON handle.ROWID = message.handle_id WHERE message.ROWID = ?1;"));
    if (!find.ok()) {
        error = describeError("reading the message");
        return std::nullopt;
    }
    find.bind(1, rowId);
    int rc = find.step();
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            error = describeError("reading the message");
        return std::nullopt;
    }
    StoredMessage m;
    m.rowId = find.integer(0);
    m.guid = find.text(1);
    m.text = find.text(2);
    m.sender = find.text(3);
    m.service = find.text(4);
    m.date = find.integer(5);
    m.isRead = find.integer(6) != 0;
    m.isFromMe = find.integer(7) != 0;
    return m;
}

} // namespace host
