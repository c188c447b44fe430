// A prepared SQLite statement that finalizes itself: what the history
// database and the alerts' fired state share for their queries.
#pragma once

#include <sqlite3.h>

#include <string>

namespace quorvel::history {

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_result = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    int prepareResult() const { return m_result; }
    bool ok() const { return m_result == SQLITE_OK; }
    sqlite3_stmt* get() const { return m_stmt; }
    // Binds a copy of the text (SQLITE_TRANSIENT): it may go before the step.
    void bind(int column, const std::string& text)
    {
        sqlite3_bind_text(m_stmt, column, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_result = SQLITE_ERROR;
};

} // namespace quorvel::history
