#include "history/HistoryDatabase.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Utf8.h"
#include "platform/system/Device.h"

#include "history/SqlStatement.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace quorvel::history {

namespace {

namespace fs = std::filesystem;

// "QvlH": marks the file as a history database, whatever its name.
constexpr int kApplicationId = 0x51766c48;
constexpr int kSchemaVersion = 1;
constexpr int64_t kMicrosPerDay = int64_t(86400) * 1000000;

constexpr const char* kCreateSchema =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE series(id INTEGER PRIMARY KEY, code TEXT NOT NULL, field INTEGER NOT NULL, title TEXT);"
    "CREATE TABLE samples(series INTEGER NOT NULL, refreshed_at INTEGER NOT NULL, value TEXT NOT NULL, number REAL,"
    " PRIMARY KEY(series, refreshed_at)) WITHOUT ROWID;"
    "PRAGMA application_id=1366715464;"
    "PRAGMA user_version=1;"
    "COMMIT;";
static_assert(kApplicationId == 1366715464);

// Small WAL: each commit is an append to the log, never a wait for the disk
// (synchronous=NORMAL); the log is folded back every 100 pages and cut to 1 MB.
constexpr const char* kConnectionSettings =
    "PRAGMA journal_mode=WAL;"
    "PRAGMA synchronous=NORMAL;"
    "PRAGMA wal_autocheckpoint=100;"
    "PRAGMA journal_size_limit=1048576;";


// The integer a one-row statement answers; the result code on failure.
int queryInteger(sqlite3* db, const char* sql, int64_t& out)
{
    Statement statement(db, sql);
    if (statement.prepareResult() != SQLITE_OK)
        return statement.prepareResult();
    const int step = sqlite3_step(statement.get());
    if (step != SQLITE_ROW)
        return step == SQLITE_DONE ? SQLITE_CORRUPT : step;
    out = sqlite3_column_int64(statement.get(), 0);
    return SQLITE_OK;
}

void bindText(sqlite3_stmt* statement, int column, const std::string& text)
{
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string fileName(const std::string& path)
{
    return fs::path(path).filename().string();
}

// "20261208T090002Z": the set-aside suffix, from the device clock.
std::string stamp(platform::Date when)
{
    return when.formatted("yyyyMMdd") + "T" + when.formatted("HHmmss") + "Z";
}

bool startsLikeADatabase(const std::string& hostFile)
{
    static constexpr char kHeader[] = "SQLite format 3";
    char start[sizeof kHeader] = {};
    std::FILE* in = std::fopen(hostFile.c_str(), "rb");
    if (!in)
        return true; // unreadable: SQLite says why
    const size_t got = std::fread(start, 1, sizeof start, in);
    std::fclose(in);
    return got == sizeof start && std::equal(start, start + sizeof start, kHeader);
}

} // namespace

std::string boundedText(const std::string& text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    // Back to the start of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

HistoryDatabase::HistoryDatabase(std::string devicePath)
    : m_devicePath(std::move(devicePath))
{
}

HistoryDatabase::~HistoryDatabase()
{
    close();
}

void HistoryDatabase::close()
{
    for (auto& [sql, statement] : m_statements)
        sqlite3_finalize(statement);
    m_statements.clear();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

sqlite3_stmt* HistoryDatabase::kept(const char* sql, int& result)
{
    for (auto& [text, statement] : m_statements) {
        if (text == sql) {
            result = SQLITE_OK;
            return statement;
        }
    }
    sqlite3_stmt* statement = nullptr;
    result = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    m_statements.emplace_back(sql, statement);
    return statement;
}

HistoryDatabase::Trouble HistoryDatabase::troubleOf(int resultCode) const
{
    switch (resultCode & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return Trouble::none;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return Trouble::busy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA: return Trouble::unusable;
    case SQLITE_ERROR:
        // A statement of ours that does not fit the file's tables: a file that
        // says it is a history but is not one. Any other error may pass.
        return m_db && std::string_view(sqlite3_errmsg(m_db)).starts_with("no such") ? Trouble::unusable : Trouble::failed;
    default: return Trouble::failed;
    }
}

HistoryDatabase::Trouble HistoryDatabase::open()
{
    const std::string host = platform::hostPath(m_devicePath);
    struct stat file {};
    const bool exists = ::stat(host.c_str(), &file) == 0;
    if (m_db) {
        if (exists && file.st_dev == m_device && file.st_ino == m_inode)
            return Trouble::none;
        // A replacement that is no history is logged once, when it is set aside.
        if (!exists)
            QLog("Qvl history: the history database was removed, starting afresh");
        close();
        // The log beside the name was the old file's: played into the new
        // one it would bring the old pages back.
        std::error_code error;
        fs::remove(host + "-wal", error);
        fs::remove(host + "-shm", error);
    }
    if (exists && !S_ISREG(file.st_mode)) {
        m_problem = "it is not a file";
        return Trouble::unusable;
    }
    if (exists && file.st_size > 0 && !startsLikeADatabase(host)) {
        // SQLite takes a file shorter than a page for an empty database and
        // would write over it.
        m_problem = "it is not a database";
        return Trouble::unusable;
    }
    const Trouble trouble = openFile(host);
    if (trouble != Trouble::none)
        close();
    return trouble;
}

HistoryDatabase::Trouble HistoryDatabase::openFile(const std::string& host)
{
    platform::createDirectories(fs::path(m_devicePath).parent_path().string());
    int result = sqlite3_open_v2(host.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result != SQLITE_OK) {
        m_problem = sqlite3_errstr(result);
        return troubleOf(result) == Trouble::unusable ? Trouble::unusable : Trouble::failed;
    }
    sqlite3_busy_timeout(m_db, kHistoryBusyTimeoutMs);

    int64_t applicationId = 0;
    int64_t version = 0;
    int64_t tables = 0;
    result = queryInteger(m_db, "PRAGMA application_id;", applicationId);
    if (result == SQLITE_OK)
        result = queryInteger(m_db, "PRAGMA user_version;", version);
    if (result == SQLITE_OK)
        result = queryInteger(m_db, "SELECT count(*) FROM sqlite_master;", tables);
    if (result != SQLITE_OK) {
        m_problem = sqlite3_errstr(result);
        return troubleOf(result);
    }
    if (applicationId == 0 && version == 0 && tables == 0) {
        // A new file: auto_vacuum must be set before the first table.
        result = sqlite3_exec(m_db, "PRAGMA auto_vacuum=INCREMENTAL;", nullptr, nullptr, nullptr);
        if (result == SQLITE_OK)
            result = sqlite3_exec(m_db, kConnectionSettings, nullptr, nullptr, nullptr);
        if (result == SQLITE_OK)
            result = sqlite3_exec(m_db, kCreateSchema, nullptr, nullptr, nullptr);
        if (result != SQLITE_OK) {
            const Trouble trouble = troubleOf(result);
            m_problem = sqlite3_errmsg(m_db);
            sqlite3_exec(m_db, "ROLLBACK;", nullptr, nullptr, nullptr);
            return trouble;
        }
    } else if (applicationId != kApplicationId || version != kSchemaVersion) {
        m_problem = "it is not a history database of this version";
        return Trouble::unusable;
    } else {
        std::string check;
        {
            Statement quickCheck(m_db, "PRAGMA quick_check(1);");
            result = quickCheck.prepareResult();
            if (result == SQLITE_OK)
                result = sqlite3_step(quickCheck.get());
            if (result == SQLITE_ROW) {
                const unsigned char* text = sqlite3_column_text(quickCheck.get(), 0);
                check = text ? reinterpret_cast<const char*>(text) : "";
                result = SQLITE_OK;
            }
        }
        if (result != SQLITE_OK) {
            m_problem = sqlite3_errstr(result);
            return troubleOf(result);
        }
        if (check != "ok") {
            m_problem = "its check found damage";
            return Trouble::unusable;
        }
        result = sqlite3_exec(m_db, kConnectionSettings, nullptr, nullptr, nullptr);
        if (result != SQLITE_OK) {
            m_problem = sqlite3_errstr(result);
            return troubleOf(result);
        }
    }
    struct stat file {};
    if (::stat(host.c_str(), &file) != 0) {
        m_problem = "it went away while being opened";
        return Trouble::failed;
    }
    m_device = file.st_dev;
    m_inode = file.st_ino;
    return Trouble::none;
}

HistoryDatabase::Trouble HistoryDatabase::writeRows(const std::vector<HistorySample>& rows)
{
    int result = sqlite3_exec(m_db, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        m_problem = sqlite3_errstr(result);
        return troubleOf(result);
    }
    {
        // Kept prepared between appends; reset and unbound before the commit,
        // as finalizing them did.
        struct Use {
            sqlite3_stmt* statement;
            int result;
            ~Use()
            {
                if (statement) {
                    sqlite3_reset(statement);
                    sqlite3_clear_bindings(statement);
                }
            }
            sqlite3_stmt* get() const { return statement; }
        };
        Use findSeries{nullptr, SQLITE_OK};
        Use addSeries{nullptr, SQLITE_OK};
        Use addSample{nullptr, SQLITE_OK};
        findSeries.statement = kept("SELECT id FROM series WHERE code=?1 AND field=?2 AND title IS ?3;", findSeries.result);
        addSeries.statement = kept("INSERT INTO series(code, field, title) VALUES(?1, ?2, ?3);", addSeries.result);
        addSample.statement =
            kept("INSERT OR IGNORE INTO samples(series, refreshed_at, value, number) VALUES(?1, ?2, ?3, ?4);", addSample.result);
        result = findSeries.result;
        if (result == SQLITE_OK)
            result = addSeries.result;
        if (result == SQLITE_OK)
            result = addSample.result;
        for (size_t i = 0; i < rows.size() && result == SQLITE_OK; ++i) {
            const HistorySample& row = rows[i];
            const std::string code = boundedText(row.code, kLongestStoredCode);
            const std::optional<std::string> title =
                row.title ? std::optional<std::string>(boundedText(*row.title, kLongestStoredTitle)) : std::nullopt;
            for (Use* s : {&findSeries, &addSeries}) {
                sqlite3_reset(s->get());
                bindText(s->get(), 1, code);
                sqlite3_bind_int64(s->get(), 2, row.index);
                if (title)
                    bindText(s->get(), 3, *title);
                else
                    sqlite3_bind_null(s->get(), 3);
            }
            int64_t series = 0;
            result = sqlite3_step(findSeries.get());
            if (result == SQLITE_ROW) {
                series = sqlite3_column_int64(findSeries.get(), 0);
                result = SQLITE_OK;
            } else if (result == SQLITE_DONE) {
                result = sqlite3_step(addSeries.get());
                if (result == SQLITE_DONE) {
                    series = sqlite3_last_insert_rowid(m_db);
                    result = SQLITE_OK;
                }
            }
            if (result != SQLITE_OK)
                break;
            sqlite3_reset(addSample.get());
            sqlite3_bind_int64(addSample.get(), 1, series);
            sqlite3_bind_int64(addSample.get(), 2, row.refreshedAt.micros());
            bindText(addSample.get(), 3, boundedText(row.value, kLongestStoredValue));
            if (row.number)
                sqlite3_bind_double(addSample.get(), 4, *row.number);
            else
                sqlite3_bind_null(addSample.get(), 4);
            result = sqlite3_step(addSample.get());
            if (result == SQLITE_DONE)
                result = SQLITE_OK;
        }
    }
    if (result == SQLITE_OK)
        result = sqlite3_exec(m_db, "COMMIT;", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        // Classified before the rollback replaces the connection's message.
        const Trouble trouble = troubleOf(result);
        m_problem = sqlite3_errmsg(m_db);
        sqlite3_exec(m_db, "ROLLBACK;", nullptr, nullptr, nullptr);
        return trouble;
    }
    return Trouble::none;
}

AppendResult HistoryDatabase::append(const std::vector<HistorySample>& rows)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        Trouble trouble = open();
        if (trouble == Trouble::none)
            trouble = writeRows(rows);
        switch (trouble) {
        case Trouble::none: return AppendResult::written;
        case Trouble::busy:
            QLog("Qvl history: the history database is locked by another connection");
            return AppendResult::locked;
        case Trouble::unusable:
            if (attempt == 0) {
                setAside(m_problem);
                continue;
            }
            [[fallthrough]];
        case Trouble::failed:
            QLog("Qvl history: cannot write the history database (%@)", m_problem);
            close();
            return AppendResult::failed;
        }
    }
    return AppendResult::failed;
}

sqlite3* HistoryDatabase::connection()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (open()) {
        case Trouble::none: return m_db;
        case Trouble::busy:
            QLog("Qvl history: the history database is locked by another connection");
            return nullptr;
        case Trouble::unusable:
            if (attempt == 0) {
                setAside(m_problem);
                continue;
            }
            [[fallthrough]];
        case Trouble::failed:
            QLog("Qvl history: cannot open the history database (%@)", m_problem);
            close();
            return nullptr;
        }
    }
    return nullptr;
}

void HistoryDatabase::setAside(const std::string& why)
{
    close();
    const std::string host = platform::hostPath(m_devicePath);
    const std::string base = host + ".corrupt-" + stamp(platform::now());
    std::string aside = base;
    std::error_code error;
    for (int n = 2; fs::exists(aside, error) && n < 1000; ++n)
        aside = base + "-" + std::to_string(n);
    fs::rename(host, aside, error);
    const bool moved = !error;
    // The journal goes with its database, or it would be played into the fresh one.
    for (const char* journal : {"-wal", "-journal"}) {
        if (fs::exists(host + journal, error))
            fs::rename(host + journal, aside + journal, error);
    }
    fs::remove(host + "-shm", error);
    if (moved)
        QLog("Qvl history: the history database is not usable (%@): set aside as %@, starting afresh", why, fileName(aside));
    else
        QLog("Qvl history: the history database is not usable (%@) and cannot be set aside", why);
}

bool HistoryDatabase::thin(platform::Date now)
{
    if (open() != Trouble::none)
        return false;
    const int64_t today = now.micros() - now.micros() % kMicrosPerDay;
    const int64_t cutoff = today - int64_t(kHistoryFullDays) * kMicrosPerDay;
    Statement thin(m_db,
                   "DELETE FROM samples WHERE refreshed_at < ?1 AND (series, refreshed_at) NOT IN "
                   "(SELECT series, max(refreshed_at) FROM samples WHERE refreshed_at < ?1 "
                   "GROUP BY series, refreshed_at / 86400000000);");
    if (thin.prepareResult() != SQLITE_OK)
        return false;
    sqlite3_bind_int64(thin.get(), 1, cutoff);
    const int result = sqlite3_step(thin.get());
    if (result != SQLITE_DONE) {
        QLog("Qvl history: cannot thin the history database (%@)", sqlite3_errstr(result));
        return false;
    }
    const int removed = sqlite3_changes(m_db);
    if (removed > 0) {
        QLog("Qvl history: thinned %d rows older than %d days to one a day per field", removed, kHistoryFullDays);
        sqlite3_exec(m_db, "PRAGMA incremental_vacuum;", nullptr, nullptr, nullptr);
    }
    return true;
}

} // namespace quorvel::history
