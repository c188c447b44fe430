#include "HistoryCommand.h"

#include "host/linux/client/DaemonRoot.h"

#include "history/HistoryDatabase.h"
#include "host/common/history/HistoryExport.h"
#include "history/HistoryReader.h"

#include <iostream>

namespace quorvel::cli {

namespace {

constexpr int kUsageStatus = 2;

} // namespace

int historyCommand(const HistoryCommandOptions& options)
{
    history::HistoryQuery query;
    if (!options.code.empty())
        query.code = options.code;
    if (!options.since.empty()) {
        query.since = history::parseIsoDate(options.since);
        if (!query.since) {
            std::cerr << "quorvel: history: --since takes an ISO 8601 date such as 2026-12-08 or 2026-12-08T09:00:00Z\n";
            return kUsageStatus;
        }
    }
    std::string root = options.root.empty() ? linuxhost::defaultRoot() : options.root;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    const std::string file = root + history::kHistoryDatabasePath;
    const bool json = options.format == "json";

    // Rows go out as they are read; a failure after the first is still reported.
    std::string out = json ? "[" : history::csvHeader();
    size_t rows = 0;
    auto error = history::readHistory(file, query, [&](const history::HistorySample& row) {
        if (json)
            out += (rows == 0 ? "\n" : ",\n") + history::jsonObject(row);
        else
            out += history::csvLine(row);
        ++rows;
        if (out.size() > 64 * 1024) {
            std::cout << out;
            out.clear();
        }
    });
    if (error) {
        std::cout << std::flush;
        std::cerr << "quorvel: history: " << *error << "\n";
        return 1;
    }
    if (json)
        out += rows == 0 ? "]\n" : "\n]\n";
    std::cout << out;
    return 0;
}

} // namespace quorvel::cli
