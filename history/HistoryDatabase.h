// The history of stored values: an SQLite database beside the stores, written
// by the history module only and read by anyone.
//
//   HistoryDatabase db;                            // opens lazily, at the first append
//   if (db.append(samples) == AppendResult::written) ...
//   db.thin(platform::now());                      // one row a day per field past 90 days
//
// Schema: `series` (code, field index, title) and `samples` (series, refresh
// time in microseconds since the Unix epoch, value text, number or NULL), one
// row per field per refresh; appending a row that is already there (same
// series, same time) does nothing, so the history holds each value once.
//
// Faults never reach the caller as more than a result and one log line, and
// never wait more than kHistoryBusyTimeoutMs:
// - a missing file (or one removed or replaced while open) is created afresh;
// - a file that is no database of ours (corrupt, truncated, another schema, a
//   folder) is set aside as NAME.corrupt-YYYYMMDDTHHMMSSZ, with its journal,
//   and a fresh one takes the rows;
// - a locked one is left alone (renaming a file another connection holds
//   corrupts it): the caller keeps the rows and tries again later;
// - a disk that refuses writes (full, read-only) is reported as failed.
// Paths are device paths. Single-threaded.
#pragma once

#include "history/HistorySample.h"
#include "platform/foundation/Date.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quorvel::history {

inline constexpr const char* kHistoryDatabasePath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.history.db";
inline constexpr int kHistoryBusyTimeoutMs = 10;
// Rows older than this are thinned to the last of each day per field.
inline constexpr int kHistoryFullDays = 90;
// Texts longer than these are cut (at a character boundary) before they are stored.
inline constexpr size_t kLongestStoredCode = 256;
inline constexpr size_t kLongestStoredTitle = 256;
inline constexpr size_t kLongestStoredValue = 1024;

enum class AppendResult { written, locked, failed };

class HistoryDatabase {
public:
    explicit HistoryDatabase(std::string devicePath = kHistoryDatabasePath);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    // Appends the rows in one transaction (nothing of them on failure).
    AppendResult append(const std::vector<HistorySample>& rows);

    // Keeps, of the rows older than kHistoryFullDays before the start of
    // `now`'s day, the last of each day of each series. False when it could not run.
    bool thin(platform::Date now);

    // The open connection (opened, or set aside and made afresh, as for an
    // append), for the alert state kept beside the history (AlertState.h);
    // nullptr when the file cannot be used now (logged).
    sqlite3* connection();

    // Closes the connection (it reopens at the next append).
    void close();

    const std::string& devicePath() const { return m_devicePath; }

private:
    enum class Trouble { none, busy, unusable, failed };
    // Opens (or keeps) the connection to the file now at the path.
    Trouble open();
    Trouble openFile(const std::string& hostFile);
    Trouble writeRows(const std::vector<HistorySample>& rows);
    // The append's statement for `sql` (a literal of this file), prepared on
    // first use on this connection and kept until it closes; SQLite's result
    // code in `result`.
    sqlite3_stmt* kept(const char* sql, int& result);
    void setAside(const std::string& why);
    Trouble troubleOf(int resultCode) const;

    std::string m_devicePath;
    std::string m_problem; // why the last step failed, for the log
    sqlite3* m_db = nullptr;
    std::vector<std::pair<const char*, sqlite3_stmt*>> m_statements;
    // The identity of the file the connection holds, to notice its removal or replacement.
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
};

// The text cut to at most `limit` bytes, never inside a character.
std::string boundedText(const std::string& text, size_t limit);

} // namespace quorvel::history
