// Statements about the history module's database: holding it locked as
// another process might, and what it holds (rows of one field in time order,
// the whole history as the command line prints it, files set aside).
#include "sim/scenario/verbs/Verbs.h"

#include "history/HistoryDatabase.h"
#include "host/common/history/HistoryExport.h"
#include "history/HistoryReader.h"
#include "platform/foundation/DevicePaths.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/ValuePath.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/Host.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <sqlite3.h>

#include <filesystem>
#include <variant>
#include <vector>

namespace sim {

namespace {

namespace fs = std::filesystem;
using quorvel::history::HistorySample;

// Another connection holding the history database in an exclusive
// transaction, as a process writing to it would.
class HistoryLock final : public Host {
public:
    ~HistoryLock() override { release(); }
    void shutDown(World&) override { release(); }

    std::string hold()
    {
        if (m_db)
            return "the history database is already held";
        const std::string file = platform::hostPath(quorvel::history::kHistoryDatabasePath);
        if (!fs::is_regular_file(file))
            return "there is no history database to lock yet";
        if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(m_db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::string why = m_db ? sqlite3_errmsg(m_db) : "cannot open it";
            release();
            return "cannot lock the history database: " + why;
        }
        return {};
    }
    bool held() const { return m_db != nullptr; }
    void release()
    {
        if (!m_db)
            return;
        sqlite3_exec(m_db, "ROLLBACK;", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

private:
    sqlite3* m_db = nullptr;
};

// The rows the query lets through, or the reason they cannot be read.
std::variant<std::vector<HistorySample>, std::string> readRows(const quorvel::history::HistoryQuery& query)
{
    std::vector<HistorySample> rows;
    auto error = quorvel::history::readHistory(platform::hostPath(quorvel::history::kHistoryDatabasePath), query,
                                               [&](const HistorySample& row) { rows.push_back(row); }, 100);
    if (error)
        return *error;
    return rows;
}

std::string described(const std::vector<HistorySample>& rows)
{
    std::string text = counted(static_cast<int64_t>(rows.size()), "row");
    for (const HistorySample& row : rows)
        text += "\n    " + quorvel::history::csvLine(row).substr(0, quorvel::history::csvLine(row).size() - 1);
    return text;
}

// history lock|unlock
Action parseHistory(ArgReader& args)
{
    const bool lock = args.oneOf({"lock", "unlock"}) == "lock";
    args.end();
    return [lock](ScenarioRun& run) {
        World& world = run.world();
        HistoryLock* holder = world.host<HistoryLock>();
        if (!holder)
            holder = &world.addHost<HistoryLock>();
        if (lock) {
            if (std::string problem = holder->hold(); !problem.empty())
                return Outcome::failure(problem);
            world.log().note("another process holds the history database locked");
        } else {
            if (!holder->held())
                return Outcome::failure("the history database is not held");
            holder->release();
            world.log().note("the history database is no longer held");
        }
        run.settle();
        return Outcome::success();
    };
}

// expect history "CODE" INDEX count N | values "V"... | numbers N|null...
// expect history csv "TEXT" | expect history setaside N
Action parseExpectHistory(ArgReader& args)
{
    if (args.accept("csv")) {
        std::string wanted = args.string("the whole CSV, header first (a \"\"\"long\"\"\" string)");
        args.end();
        return [wanted](ScenarioRun&) {
            auto read = readRows({});
            if (auto* error = std::get_if<std::string>(&read))
                return Outcome::failure(*error);
            std::string csv = quorvel::history::csvHeader();
            for (const HistorySample& row : std::get<std::vector<HistorySample>>(read))
                csv += quorvel::history::csvLine(row);
            return csv == wanted ? Outcome::success() : Outcome::failure("\n" + csv);
        };
    }
    if (args.accept("setaside")) {
        const int64_t wanted = args.count("how many files set aside");
        args.end();
        return [wanted](ScenarioRun&) {
            const fs::path db(platform::hostPath(quorvel::history::kHistoryDatabasePath));
            std::vector<std::string> aside;
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(db.parent_path(), error)) {
                const std::string name = entry.path().filename().string();
                if (name.starts_with(db.filename().string() + ".corrupt-") && !name.ends_with("-wal") &&
                    !name.ends_with("-journal"))
                    aside.push_back(name);
            }
            if (static_cast<int64_t>(aside.size()) == wanted)
                return Outcome::success();
            std::string found = counted(static_cast<int64_t>(aside.size()), "file");
            for (const std::string& name : aside)
                found += "\n    " + name;
            return Outcome::failure(found);
        };
    }
    std::string code = args.string("the code, such as \"*100#\"");
    const int64_t index = args.count("the field's index");
    const std::string kind = args.oneOf({"count", "values", "numbers"});
    quorvel::history::HistoryQuery query{.code = code, .index = index};
    if (kind == "count") {
        const int64_t wanted = args.count("how many rows");
        args.end();
        return [query, wanted](ScenarioRun&) {
            auto read = readRows(query);
            if (auto* error = std::get_if<std::string>(&read))
                return Outcome::failure(*error);
            const auto& rows = std::get<std::vector<HistorySample>>(read);
            return static_cast<int64_t>(rows.size()) == wanted ? Outcome::success() : Outcome::failure(described(rows));
        };
    }
    std::vector<platform::Value> wanted;
    while (!args.atEnd()) {
        if (kind == "numbers" && args.accept("null"))
            wanted.emplace_back();
        else if (kind == "numbers") {
            const Token& at = *args.peek();
            platform::Value number = args.value("a number or null");
            if (!number.isNumber() || number.type() == platform::Value::Type::Boolean)
                args.failAt(at, "expected a number or null");
            wanted.push_back(std::move(number));
        }
        else
            wanted.emplace_back(args.string("a value as the field holds it"));
    }
    return [query, wanted, kind](ScenarioRun&) {
        auto read = readRows(query);
        if (auto* error = std::get_if<std::string>(&read))
            return Outcome::failure(*error);
        const auto& rows = std::get<std::vector<HistorySample>>(read);
        bool same = rows.size() == wanted.size();
        for (size_t i = 0; same && i < rows.size(); ++i) {
            if (kind == "values")
                same = rows[i].value == *wanted[i].string();
            else if (wanted[i].isNone())
                same = !rows[i].number;
            else
                same = rows[i].number && valueMatches(platform::Value(*rows[i].number), wanted[i]);
        }
        return same ? Outcome::success() : Outcome::failure(described(rows));
    };
}

} // namespace

void addHistoryVerbs(VerbTable& table)
{
    table.add({"history", Phase::afterBoot, "history lock|unlock", parseHistory});
    table.addExpectation("expect history", Phase::anytime,
                         "expect history \"CODE\" INDEX count N | expect history \"CODE\" INDEX values \"V\"... | "
                         "expect history \"CODE\" INDEX numbers N|null... | expect history csv \"TEXT\" | "
                         "expect history setaside N",
                         parseExpectHistory);
}

} // namespace sim
