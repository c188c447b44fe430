#include "history/AlertState.h"

#include "platform/foundation/Log.h"

#include "history/SqlStatement.h"

#include <sqlite3.h>

#include <algorithm>

namespace quorvel::history {

namespace {

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS alert_state(code TEXT NOT NULL, field INTEGER NOT NULL, kind TEXT NOT NULL,"
    " limit_value REAL NOT NULL, fired_at INTEGER NOT NULL, PRIMARY KEY(code, field, kind)) WITHOUT ROWID;";


std::optional<AlertKind> kindNamed(const std::string& name)
{
    for (AlertKind kind : {AlertKind::below, AlertKind::falling, AlertKind::stale})
        if (name == alertKindName(kind))
            return kind;
    return std::nullopt;
}

bool failed(sqlite3* db, const char* what)
{
    QLog("Qvl alerts: cannot %@ the alert state (%@)", what, sqlite3_errmsg(db));
    return false;
}

} // namespace

sqlite3* AlertState::ready()
{
    sqlite3* db = m_database.connection();
    if (!db)
        return nullptr;
    if (sqlite3_exec(db, kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK) {
        failed(db, "keep");
        return nullptr;
    }
    return db;
}

std::optional<std::vector<FiredAlert>> AlertState::fired()
{
    sqlite3* db = ready();
    if (!db)
        return std::nullopt;
    Statement select(db, "SELECT code, field, kind, limit_value, fired_at FROM alert_state;");
    if (!select.ok()) {
        failed(db, "read");
        return std::nullopt;
    }
    std::vector<FiredAlert> alerts;
    int step;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        const unsigned char* code = sqlite3_column_text(select.get(), 0);
        const unsigned char* kind = sqlite3_column_text(select.get(), 2);
        std::optional<AlertKind> known = kind ? kindNamed(reinterpret_cast<const char*>(kind)) : std::nullopt;
        if (!code || !known)
            continue; // not ours: ignored, and cleared with the rules it matches none of
        alerts.push_back({reinterpret_cast<const char*>(code), sqlite3_column_int64(select.get(), 1), *known,
                          sqlite3_column_double(select.get(), 3),
                          platform::Date::fromMicros(sqlite3_column_int64(select.get(), 4))});
    }
    if (step != SQLITE_DONE) {
        failed(db, "read");
        return std::nullopt;
    }
    return alerts;
}

bool AlertState::markFired(const FiredAlert& alert)
{
    sqlite3* db = ready();
    if (!db)
        return false;
    Statement insert(db, "INSERT OR REPLACE INTO alert_state(code, field, kind, limit_value, fired_at) VALUES(?1, ?2, ?3, ?4, ?5);");
    if (!insert.ok())
        return failed(db, "write");
    insert.bind(1, alert.code);
    sqlite3_bind_int64(insert.get(), 2, alert.index);
    insert.bind(3, alertKindName(alert.kind));
    sqlite3_bind_double(insert.get(), 4, alert.limit);
    sqlite3_bind_int64(insert.get(), 5, alert.firedAt.micros());
    return sqlite3_step(insert.get()) == SQLITE_DONE || failed(db, "write");
}

bool AlertState::rearm(const std::string& code, int64_t index, AlertKind kind)
{
    sqlite3* db = ready();
    if (!db)
        return false;
    Statement remove(db, "DELETE FROM alert_state WHERE code=?1 AND field=?2 AND kind=?3;");
    if (!remove.ok())
        return failed(db, "write");
    remove.bind(1, code);
    sqlite3_bind_int64(remove.get(), 2, index);
    remove.bind(3, alertKindName(kind));
    return sqlite3_step(remove.get()) == SQLITE_DONE || failed(db, "write");
}

std::optional<std::vector<TimedNumber>> AlertState::numbersSince(const std::string& code, int64_t index,
                                                                  platform::Date since)
{
    sqlite3* db = m_database.connection();
    if (!db)
        return std::nullopt;
    // The series first: the samples' key (series, time) then gives each
    // field's last days without a scan of the whole history.
    Statement select(db, "SELECT refreshed_at, number FROM samples"
                         " WHERE series IN (SELECT id FROM series WHERE code = ?1 AND field = ?2)"
                         " AND refreshed_at >= ?3 AND number IS NOT NULL;");
    if (!select.ok()) {
        failed(db, "read the numbers for");
        return std::nullopt;
    }
    select.bind(1, boundedText(code, kLongestStoredCode));
    sqlite3_bind_int64(select.get(), 2, index);
    sqlite3_bind_int64(select.get(), 3, since.micros());
    std::vector<TimedNumber> numbers;
    int step;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW)
        numbers.push_back({platform::Date::fromMicros(sqlite3_column_int64(select.get(), 0)),
                           sqlite3_column_double(select.get(), 1)});
    if (step != SQLITE_DONE) {
        failed(db, "read the numbers for");
        return std::nullopt;
    }
    // In time order across series (a field whose title changed has two); one
    // series comes in key order already, so this costs next to nothing.
    std::stable_sort(numbers.begin(), numbers.end(),
                     [](const TimedNumber& a, const TimedNumber& b) { return a.at < b.at; });
    return numbers;
}

} // namespace quorvel::history
