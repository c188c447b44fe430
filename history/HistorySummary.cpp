#include "history/HistorySummary.h"

#include "history/DeltaText.h"

#include "history/HistoryNumbers.h"
#include "history/HistoryReader.h"

#include <map>
#include <utility>

namespace quorvel::history {

namespace {


bool sameValue(const HistorySample& row, const std::string& value, const std::optional<double>& number)
{
    if (row.number && number)
        return *row.number == *number;
    return row.value == value;
}

// One field's walk through its rows, in time order.
struct Series {
    std::string title;
    std::string value;
    std::optional<double> number;
    platform::Date runStart;   // the first refresh of the present value
    platform::Date runLast;    // the last refresh of it so far
    bool hasPrevious = false;
    std::string previousValue;
    std::optional<double> previousNumber;
    platform::Date previousAt;

    void add(const HistorySample& row, bool first)
    {
        title = row.title.value_or("");
        if (!first && !sameValue(row, value, number)) {
            hasPrevious = true;
            previousValue = value;
            previousNumber = number;
            previousAt = runLast;
            runStart = row.refreshedAt;
        } else if (first) {
            runStart = row.refreshedAt;
        }
        value = row.value;
        number = row.number;
        runLast = row.refreshedAt;
    }
};

} // namespace

std::optional<std::string> readChanges(const std::string& hostFile, const std::optional<std::string>& code,
                                       std::vector<FieldChange>* changes, int busyTimeoutMs)
{
    changes->clear();
    std::map<std::pair<std::string, int64_t>, Series> fields;
    HistoryQuery query;
    query.code = code;
    auto error = readHistory(hostFile, query, [&](const HistorySample& row) {
        auto [it, inserted] = fields.try_emplace({row.code, row.index});
        it->second.add(row, inserted);
    }, busyTimeoutMs);
    if (error)
        return error;
    for (const auto& [key, series] : fields) {
        if (!series.hasPrevious)
            continue;
        FieldChange change{key.first, key.second, series.title, series.value, series.previousValue, std::nullopt,
                           series.previousAt, series.runStart};
        if (series.number && series.previousNumber)
            change.delta = *series.number - *series.previousNumber;
        changes->push_back(std::move(change));
    }
    return std::nullopt;
}

std::optional<std::string> readPoints(const std::string& hostFile, const std::string& code, int64_t index,
                                      platform::Date since, std::vector<HistoryPoint>* points, int busyTimeoutMs)
{
    points->clear();
    HistoryQuery query{.code = code, .index = index, .since = since};
    auto error = readHistory(hostFile, query, [&](const HistorySample& row) {
        if (row.number)
            points->push_back(HistoryPoint{row.refreshedAt, row.value, *row.number});
    }, busyTimeoutMs);
    if (error) {
        points->clear();
        return error;
    }
    if (points->size() > kMaxHistoryPoints)
        points->erase(points->begin(), points->end() - static_cast<std::ptrdiff_t>(kMaxHistoryPoints));
    return std::nullopt;
}

int decimalsOf(const std::string& value)
{
    return numericValue(value) ? writtenDecimals(value) : 0;
}

} // namespace quorvel::history
