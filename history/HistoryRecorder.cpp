#include "history/HistoryRecorder.h"

#include "common/QuorvelNames.h"
#include "history/HistoryNumbers.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Device.h"

#include <charconv>

namespace quorvel::history {

namespace {

constexpr int64_t kMicrosPerDay = int64_t(86400) * 1000000;

// The field's index as the engine reads it: a number, or a text of digits.
std::optional<int64_t> fieldIndex(const platform::Value& value)
{
    if (value.isNumber())
        return value.integerValue() >= 0 ? std::optional<int64_t>(value.integerValue()) : std::nullopt;
    const std::string* text = value.string();
    if (!text || text->empty())
        return std::nullopt;
    int64_t index = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), index);
    if (error != std::errc() || end != text->data() + text->size() || index < 0)
        return std::nullopt;
    return index;
}

// lastValue as text: a text as it is, a number as the platform describes it;
// none for anything else (no value stored yet).
std::optional<std::string> valueText(const platform::Value& value)
{
    if (const std::string* text = value.string())
        return *text;
    if (value.isNumber())
        return value.description();
    return std::nullopt;
}

} // namespace

HistoryRecorder::HistoryRecorder(std::string databasePath)
    : m_database(std::move(databasePath))
{
}

std::vector<HistorySample> HistoryRecorder::newSamples(const platform::Array& codes)
{
    std::vector<HistorySample> samples;
    for (const platform::Value& record : codes) {
        const std::string* code = record[kUssdCodeKey].string();
        const std::optional<platform::Date> refreshedAt = record[kRefreshedAtKey].date();
        if (!code || !refreshedAt)
            continue;
        auto taken = m_taken.find(*code);
        if (taken != m_taken.end() && taken->second == *refreshedAt)
            continue;
        m_taken[*code] = *refreshedAt;
        const platform::Array* fields = record[kFieldsKey].array();
        if (!fields)
            continue;
        for (const platform::Value& field : *fields) {
            std::optional<int64_t> index = fieldIndex(field[kIndexKey]);
            std::optional<std::string> value = valueText(field[kLastValueKey]);
            if (!index || !value)
                continue;
            const std::string* title = field[kTitleKey].string();
            samples.push_back(HistorySample{*code, *index, title ? std::optional<std::string>(*title) : std::nullopt,
                                            *value, numericValue(*value), *refreshedAt});
        }
    }
    return samples;
}

void HistoryRecorder::refreshed()
{
    platform::UserDefaults defaults;
    defaults.addSuiteNamed(kCodesDomain);
    defaults.synchronize();
    const platform::Array* codes = defaults.arrayForKey(kCodesKey);
    std::vector<HistorySample> fresh = codes ? newSamples(*codes) : std::vector<HistorySample>{};
    if (fresh.empty() && m_pending.empty())
        return;

    std::vector<HistorySample> rows = std::move(m_pending);
    m_pending.clear();
    rows.insert(rows.end(), fresh.begin(), fresh.end());
    switch (m_database.append(rows)) {
    case AppendResult::written:
        QLog("Qvl history: appended %u value%@", static_cast<unsigned>(rows.size()), rows.size() == 1 ? "" : "s");
        break;
    case AppendResult::locked:
    case AppendResult::failed:
        if (rows.size() > kMostPendingRows) {
            QLog("Qvl history: dropping the %u oldest values waiting to be written",
                 static_cast<unsigned>(rows.size() - kMostPendingRows));
            rows.erase(rows.begin(), rows.end() - static_cast<std::ptrdiff_t>(kMostPendingRows));
        }
        m_pending = std::move(rows);
        QLog("Qvl history: keeping %u value%@ for the next refresh", static_cast<unsigned>(m_pending.size()),
             m_pending.size() == 1 ? "" : "s");
        return;
    }

    const platform::Date now = platform::now();
    if (!m_lastThinned || now.since(*m_lastThinned).count() >= kMicrosPerDay) {
        if (m_database.thin(now))
            m_lastThinned = now;
    }
}

} // namespace quorvel::history
