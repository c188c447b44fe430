#include "host/web/FiguresJson.h"

#include "common/QuorvelNames.h"
#include "history/HistoryDatabase.h"
#include "history/HistorySummary.h"
#include "host/common/history/HistoryExport.h"
#include "host/common/text/JsonString.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/PropertyList.h"

#include <cmath>
#include <map>
#include <optional>

namespace host {

namespace {

using platform::Value;

// Codes and fields shown at most (the Settings bundle stores no more).
constexpr size_t kMostCodes = 100;
constexpr size_t kMostFields = 64;

std::string textOf(const Value& value)
{
    if (const std::string* text = value.string())
        return *text;
    return value.isNumber() ? value.description() : std::string();
}

std::string seconds(platform::Date date)
{
    return quorvel::history::numberText(static_cast<double>(date.micros() / 1000) / 1000.0);
}

} // namespace

std::string figuresJson(platform::Date now, const quorvel::history::UtcOffset& offset, const ReplyText& replyFor)
{
    namespace qh = quorvel::history;
    const std::string file = platform::hostPath(qh::kHistoryDatabasePath);
    std::vector<qh::FieldChange> changes;
    std::optional<std::string> problem = qh::readChanges(file, std::nullopt, &changes);
    std::map<std::pair<std::string, int64_t>, const qh::FieldChange*> changeOf;
    for (const auto& change : changes)
        changeOf[{change.code, change.index}] = &change;
    const platform::Date since = now.addingSeconds(-kChartDays * 86400.0);

    const std::optional<platform::Dict> store = platform::readDictionaryIfPresent(quorvel::kCodesStorePath);
    const platform::Array* records = nullptr;
    if (store)
        if (auto it = store->find(quorvel::kCodesKey); it != store->end())
            records = it->second.array();

    std::string out = "{\"days\":" + std::to_string(kChartDays) + ",\"now\":" + seconds(now) +
                      ",\"problem\":" + (problem ? jsonString(*problem) : "null") + ",\"codes\":[";
    size_t shownCodes = 0;
    for (const Value& record : records ? *records : platform::Array{}) {
        const std::string code = textOf(record[quorvel::kUssdCodeKey]);
        if (code.empty() || shownCodes == kMostCodes)
            continue;
        out += shownCodes++ ? ",{" : "{";
        const std::string reply = replyFor ? replyFor(code) : std::string();
        out += "\"code\":" + jsonString(code) + ",\"reply\":" + (reply.empty() ? "null" : jsonString(reply)) + ",\"fields\":[";
        size_t shownFields = 0;
        const platform::Array* fields = record[quorvel::kFieldsKey].array();
        for (const Value& field : fields ? *fields : platform::Array{}) {
            if (!field[quorvel::kIndexKey].isNumber() || shownFields == kMostFields)
                continue;
            const int64_t index = field[quorvel::kIndexKey].integerValue();
            out += shownFields++ ? ",{" : "{";
            out += "\"index\":" + std::to_string(index) + ",\"title\":" + jsonString(textOf(field[quorvel::kTitleKey])) +
                   ",\"value\":" + jsonString(textOf(field[quorvel::kLastValueKey]));
            auto change = changeOf.find({code, index});
            out += ",\"change\":" +
                   (change == changeOf.end() ? std::string("null") : jsonString(qh::changeText(*change->second, now, offset)));
            out += ",\"points\":[";
            std::vector<qh::HistoryPoint> points;
            if (!problem && !qh::readPoints(file, code, index, since, &points))
                for (size_t i = 0, shown = 0; i < points.size(); ++i)
                    if (std::isfinite(points[i].number)) // JSON has no infinity
                        out += (shown++ ? ",[" : "[") + seconds(points[i].at) + "," + qh::numberText(points[i].number) + "]";
            out += "]}";
        }
        out += "]}";
    }
    return out + "]}";
}

} // namespace host
