#include "host/web/AlertForms.h"

#include "common/QuorvelNames.h"
#include "host/common/text/JsonString.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>

namespace host {

namespace {

using quorvel::history::AlertRule;

// A field's index as the engine reads it: a number or a text of digits.
std::optional<int64_t> indexOf(const platform::Value& value)
{
    if (value.isNumber() && value.type() != platform::Value::Type::Boolean)
        return value.integerValue();
    const std::string* text = value.string();
    if (!text || text->empty() || text->size() > 4 || !std::all_of(text->begin(), text->end(), ::isdigit))
        return std::nullopt;
    return std::stoll(*text);
}

} // namespace

std::string alertFormsJson()
{
    const quorvel::history::AlertRulesRead read = quorvel::history::readAlertRules();
    const platform::Dict store = platform::readDictionaryIfPresent(quorvel::kCodesStorePath).value_or(platform::Dict{});
    auto codes = store.find(quorvel::kCodesKey);
    std::string json = "[";
    if (codes != store.end() && codes->second.array()) {
        for (const platform::Value& record : *codes->second.array()) {
            const std::string* code = record[quorvel::kUssdCodeKey].string();
            const platform::Array* fields = record[quorvel::kFieldsKey].array();
            if (!code || !fields)
                continue;
            for (const platform::Value& field : *fields) {
                const std::string* title = field[quorvel::kTitleKey].string();
                std::optional<int64_t> index = indexOf(field[quorvel::kIndexKey]);
                if (!title || !index || *index < 0 || *index > quorvel::history::kMostAlertIndex)
                    continue;
                auto rule = std::find_if(read.rules.begin(), read.rules.end(),
                                         [&](const AlertRule& r) { return r.code == *code && r.index == *index; });
                const bool has = rule != read.rules.end();
                if (json.size() > 1)
                    json += ",";
                json += "{\"code\":" + jsonString(*code) + ",\"index\":" + std::to_string(*index) +
                        ",\"title\":" + jsonString(*title) + ",\"below\":" +
                        jsonString(has && rule->below ? quorvel::history::alertAmount(*rule->below) : "") +
                        ",\"falling\":" +
                        jsonString(has && rule->fallingPerDay ? quorvel::history::alertAmount(*rule->fallingPerDay) : "") +
                        ",\"stale\":" + jsonString(has && rule->staleHours ? std::to_string(*rule->staleHours) : "") + "}";
            }
        }
    }
    return json + "]";
}

PageReply saveAlertForm(const AlertRule& rule)
{
    if (auto problem = quorvel::history::setAlertRule(rule))
        return PageReply::refused(*problem);
    quorvel::history::announceAlertRulesChanged();
    return PageReply::done();
}

} // namespace host
