#include "fuzz/FuzzedSmsDatabase.h"

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <string_view>

namespace {

struct Schema {
    const char* tables;
    const char* insertHandle;  // ?1 ROWID, ?2 id, ?3 uncanonicalized_id; nullptr: no handle table
    const char* insertMessage; // ?1 ROWID, ?2 text, ?3 handle_id
};

constexpr const char* kInsertHandle = "INSERT OR IGNORE INTO handle (ROWID, id, uncanonicalized_id) VALUES (?1, ?2, ?3);";
constexpr const char* kInsertMessage = "INSERT OR IGNORE INTO message (ROWID, text, handle_id) VALUES (?1, ?2, ?3);";

// The first is the phone's (as the messaging service creates it); the others
// are databases the engine may meet and must turn down with a log line.
constexpr std::array<Schema, 5> kSchemas = {{
    {"CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE, text TEXT,"
     " handle_id INTEGER DEFAULT 0, service TEXT, date INTEGER, is_read INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0);"
     "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, country TEXT,"
     " service TEXT NOT NULL DEFAULT 'SMS', uncanonicalized_id TEXT, UNIQUE (id, service));",
     kInsertHandle, kInsertMessage},
    // Columns without types: every value keeps the class it was given.
    {"CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text, handle_id, is_read);"
     "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id, uncanonicalized_id);",
     kInsertHandle, kInsertMessage},
    // No handle table: the lookup cannot be prepared.
    {"CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, is_read INTEGER);",
     nullptr, kInsertMessage},
    // No is_read column: the lookup works, the mark-read cannot be prepared.
    {"CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER);"
     "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT, uncanonicalized_id TEXT);",
     kInsertHandle, kInsertMessage},
    // No tables at all.
    {"", nullptr, nullptr},
}};

constexpr size_t kMaxHandles = 6;
constexpr size_t kMaxMessages = 12;
constexpr size_t kMaxTextLength = 80;

// ROWIDs and references mostly small, so that they meet; sometimes anything.
int64_t fuzzedRowId(FuzzedDataProvider& input)
{
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<int64_t>(-1, 8) : input.ConsumeIntegral<int64_t>();
}

void bindText(sqlite3_stmt* stmt, int index, const std::string& text)
{
    sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void bindOptionalText(sqlite3_stmt* stmt, int index, const std::optional<std::string>& text)
{
    if (text)
        bindText(stmt, index, *text);
    else
        sqlite3_bind_null(stmt, index);
}

// Any storage class, for the schemas whose outcome is not checked.
void bindAnyValue(sqlite3_stmt* stmt, int index, FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0: sqlite3_bind_null(stmt, index); break;
    case 1: sqlite3_bind_int64(stmt, index, fuzzedRowId(input)); break;
    case 2: sqlite3_bind_double(stmt, index, input.ConsumeFloatingPoint<double>()); break;
    case 3: bindText(stmt, index, input.ConsumeRandomLengthString(kMaxTextLength)); break;
    default: {
        std::string bytes = input.ConsumeRandomLengthString(kMaxTextLength);
        sqlite3_bind_blob(stmt, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    }
    }
}

std::optional<std::string> fuzzedOptionalText(FuzzedDataProvider& input)
{
    if (input.ConsumeBool())
        return std::nullopt;
    return input.ConsumeRandomLengthString(kMaxTextLength);
}

// Runs the prepared insert; true when it stored a row.
bool insertedRow(sqlite3* db, sqlite3_stmt* stmt)
{
    bool stored = sqlite3_step(stmt) == SQLITE_DONE && sqlite3_changes(db) == 1;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return stored;
}

void addHandles(sqlite3* db, const char* sql, bool typed, FuzzedDataProvider& input, FuzzedSmsDatabase& out)
{
    sqlite3_stmt* stmt = nullptr;
    if (!sql || sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return;
    }
    const size_t count = input.ConsumeIntegralInRange<size_t>(0, kMaxHandles);
    for (size_t i = 0; i < count; ++i) {
        const int64_t rowId = fuzzedRowId(input);
        sqlite3_bind_int64(stmt, 1, rowId);
        if (typed) {
            StoredHandle handle{input.ConsumeRandomLengthString(kMaxTextLength), fuzzedOptionalText(input)};
            bindText(stmt, 2, handle.id);
            bindOptionalText(stmt, 3, handle.uncanonicalizedId);
            if (insertedRow(db, stmt))
                out.handles[rowId] = std::move(handle);
        } else {
            bindAnyValue(stmt, 2, input);
            bindAnyValue(stmt, 3, input);
            insertedRow(db, stmt);
        }
    }
    sqlite3_finalize(stmt);
}

void addMessages(sqlite3* db, const char* sql, bool typed, FuzzedDataProvider& input, FuzzedSmsDatabase& out)
{
    sqlite3_stmt* stmt = nullptr;
    if (!sql || sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return;
    }
    const size_t count = input.ConsumeIntegralInRange<size_t>(0, kMaxMessages);
    for (size_t i = 0; i < count; ++i) {
        const int64_t rowId = fuzzedRowId(input);
        sqlite3_bind_int64(stmt, 1, rowId);
        if (typed) {
            StoredMessage message{fuzzedOptionalText(input), fuzzedRowId(input)};
            bindOptionalText(stmt, 2, message.text);
            sqlite3_bind_int64(stmt, 3, message.handleId);
            if (insertedRow(db, stmt))
                out.messages[rowId] = std::move(message);
        } else {
            bindAnyValue(stmt, 2, input);
            bindAnyValue(stmt, 3, input);
            insertedRow(db, stmt);
        }
    }
    sqlite3_finalize(stmt);
}

// One row as text: each column's type and bytes, is_read left out when asked.
void appendRow(sqlite3_stmt* stmt, bool skipIsRead, std::string& out)
{
    for (int column = 0; column < sqlite3_column_count(stmt); ++column) {
        if (skipIsRead && std::string_view(sqlite3_column_name(stmt, column)) == "is_read")
            continue;
        const int type = sqlite3_column_type(stmt, column);
        out += std::to_string(type) + ':';
        const unsigned char* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, column));
        const int length = sqlite3_column_bytes(stmt, column);
        for (int i = 0; i < length; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
            out += hex;
        }
        out += ' ';
    }
    out += '\n';
}

void appendTable(sqlite3* db, const char* sql, std::optional<int64_t> ignoreIsReadOf, std::string& out)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            appendRow(stmt, ignoreIsReadOf && sqlite3_column_int64(stmt, 0) == *ignoreIsReadOf, out);
    } else {
        out += "(unreadable)\n";
    }
    sqlite3_finalize(stmt);
}

} // namespace

FuzzedSmsDatabase FuzzedSmsDatabase::build(const std::string& hostPath, FuzzedDataProvider& input)
{
    removeDatabaseFiles(hostPath);
    FuzzedSmsDatabase out;
    const size_t schemaIndex = input.ConsumeIntegralInRange<size_t>(0, kSchemas.size() - 1);
    const Schema& schema = kSchemas[schemaIndex];
    const bool walMode = input.ConsumeBool();
    out.checkable = schemaIndex == 0;

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(hostPath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK) {
        // The phone keeps its message database in WAL mode; the simulator's is a rollback journal.
        sqlite3_exec(db, walMode ? "PRAGMA journal_mode=WAL;" : "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN;", nullptr, nullptr, nullptr);
        sqlite3_exec(db, schema.tables, nullptr, nullptr, nullptr);
        addHandles(db, schema.insertHandle, out.checkable, input, out);
        addMessages(db, schema.insertMessage, out.checkable, input, out);
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return out;
}

std::string dumpMessageTables(const std::string& hostPath, std::optional<int64_t> ignoreIsReadOf)
{
    std::string out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(hostPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        appendTable(db, "SELECT ROWID, * FROM message ORDER BY ROWID;", ignoreIsReadOf, out);
        appendTable(db, "SELECT ROWID, * FROM handle ORDER BY ROWID;", std::nullopt, out);
    }
    sqlite3_close(db);
    return out;
}

void removeDatabaseFiles(const std::string& hostPath)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::remove((hostPath + suffix).c_str());
}
