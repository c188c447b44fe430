#include "history/HistoryReader.h"

#include <sqlite3.h>
#include <sys/stat.h>

namespace quorvel::history {

namespace {

constexpr int64_t kApplicationId = 0x51766c48;

constexpr const char* kSelectRows =
    "SELECT s.refreshed_at, e.code, e.field, e.title, s.value, s.number FROM samples s JOIN series e ON e.id = s.series"
    " WHERE (?1 IS NULL OR e.code = ?1) AND (?2 IS NULL OR e.field = ?2) AND (?3 IS NULL OR s.refreshed_at >= ?3)"
    " ORDER BY s.refreshed_at, e.code, e.field, e.title;";

std::string columnText(sqlite3_stmt* statement, int column)
{
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

} // namespace

std::optional<std::string> readHistory(const std::string& hostFile, const HistoryQuery& query,
                                       const std::function<void(const HistorySample&)>& each, int busyTimeoutMs)
{
    struct stat file {};
    if (::stat(hostFile.c_str(), &file) != 0)
        return "no history database at " + hostFile;
    if (!S_ISREG(file.st_mode))
        return hostFile + " is not a file";

    // Opened for writing (never created) where that is allowed, only so that
    // the last connection to close folds the log back and removes it; a
    // read-only one would leave the -wal and -shm files it had to make behind.
    // Nothing is written otherwise.
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(hostFile.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_close_v2(db);
        db = nullptr;
        result = sqlite3_open_v2(hostFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    struct Closer {
        sqlite3* db;
        ~Closer() { sqlite3_close_v2(db); }
    } closer{db};
    if (result != SQLITE_OK)
        return "cannot open " + hostFile + ": " + sqlite3_errstr(result);
    sqlite3_busy_timeout(db, busyTimeoutMs);

    sqlite3_stmt* statement = nullptr;
    result = sqlite3_prepare_v2(db, "PRAGMA application_id;", -1, &statement, nullptr);
    int64_t applicationId = 0;
    if (result == SQLITE_OK && (result = sqlite3_step(statement)) == SQLITE_ROW)
        applicationId = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    statement = nullptr;
    if (result != SQLITE_ROW)
        return "cannot read " + hostFile + ": " + sqlite3_errstr(result);
    if (applicationId != kApplicationId)
        return hostFile + " is not a history database";

    result = sqlite3_prepare_v2(db, kSelectRows, -1, &statement, nullptr);
    if (result != SQLITE_OK)
        return "cannot read " + hostFile + ": " + sqlite3_errmsg(db);
    if (query.code)
        sqlite3_bind_text(statement, 1, query.code->data(), static_cast<int>(query.code->size()), SQLITE_TRANSIENT);
    if (query.index)
        sqlite3_bind_int64(statement, 2, *query.index);
    if (query.since)
        sqlite3_bind_int64(statement, 3, query.since->micros());
    HistorySample row;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        row.refreshedAt = platform::Date::fromMicros(sqlite3_column_int64(statement, 0));
        row.code = columnText(statement, 1);
        row.index = sqlite3_column_int64(statement, 2);
        row.title = sqlite3_column_type(statement, 3) == SQLITE_NULL ? std::nullopt
                                                                     : std::optional<std::string>(columnText(statement, 3));
        row.value = columnText(statement, 4);
        row.number = sqlite3_column_type(statement, 5) == SQLITE_NULL ? std::nullopt
                                                                      : std::optional<double>(sqlite3_column_double(statement, 5));
        each(row);
    }
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE)
        return "cannot read " + hostFile + ": " + sqlite3_errstr(result);
    return std::nullopt;
}

} // namespace quorvel::history
