#include "history/AlertWatcher.h"

#include "common/QuorvelNames.h"
#include "history/HistoryNumbers.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/notify/UserNotifications.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"

#include <algorithm>

namespace quorvel::history {

namespace {

constexpr int64_t kMicrosPerHour = int64_t(3600) * 1000000;
constexpr size_t kLongestAlertName = 64;

// A title as alert texts show it: no control characters (they would move a
// terminal's cursor in the log), no longer than a title the page takes.
std::optional<std::string> shownTitle(const std::string* title)
{
    if (!title)
        return std::nullopt;
    std::string shown;
    for (char c : boundedText(*title, kLongestAlertName)) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            shown += "\xEF\xBF\xBD";
        else
            shown += c;
    }
    return shown;
}

const platform::Value* recordOf(const platform::Array* codes, const std::string& code)
{
    if (!codes)
        return nullptr;
    for (const platform::Value& record : *codes)
        if (const std::string* c = record[kUssdCodeKey].string(); c && *c == code)
            return &record;
    return nullptr;
}

const platform::Value* fieldOf(const platform::Value& record, int64_t index)
{
    const platform::Array* fields = record[kFieldsKey].array();
    if (!fields)
        return nullptr;
    for (const platform::Value& field : *fields) {
        const platform::Value& at = field[kIndexKey];
        if ((at.isNumber() && at.integerValue() == index) || (at.string() && *at.string() == std::to_string(index)))
            return &field;
    }
    return nullptr;
}

double limitOf(const AlertRule& rule, AlertKind kind)
{
    switch (kind) {
    case AlertKind::below: return *rule.below;
    case AlertKind::falling: return *rule.fallingPerDay;
    case AlertKind::stale: return static_cast<double>(*rule.staleHours);
    }
    return 0;
}

bool hasKind(const AlertRule& rule, AlertKind kind)
{
    switch (kind) {
    case AlertKind::below: return rule.below.has_value();
    case AlertKind::falling: return rule.fallingPerDay.has_value();
    case AlertKind::stale: return rule.staleHours.has_value();
    }
    return false;
}

} // namespace

AlertWatcher::AlertWatcher(HistoryDatabase& database)
    : m_state(database)
{
}

AlertWatcher::~AlertWatcher()
{
    if (m_timer && m_timer->isValid())
        m_timer->invalidate();
}

std::optional<platform::Date> AlertWatcher::nextStaleCheck() const
{
    if (m_timer && m_timer->isValid())
        return m_timer->fireDate();
    return std::nullopt;
}

void AlertWatcher::scheduleStaleCheck(std::optional<platform::Date> due)
{
    if (m_timer && m_timer->isValid() && due && m_timer->fireDate() == *due)
        return;
    if (m_timer && m_timer->isValid())
        m_timer->invalidate();
    m_timer.reset();
    if (!due)
        return;
    m_timer = platform::RunLoopTimer::create(*due, platform::Seconds(0), [this](platform::RunLoopTimer&) { check(); });
    platform::RunLoop::current().addTimer(m_timer, platform::kCFRunLoopCommonModes);
}

void AlertWatcher::check()
{
    AlertRulesRead read = readAlertRules();
    if (read.problem != m_rulesProblem) {
        if (!read.problem.empty())
            QLog("Qvl alerts: the alert rules file is not usable (%@): no alerts until it is mended", read.problem);
        else
            QLog("Qvl alerts: the alert rules file reads again");
        m_rulesProblem = read.problem;
    }
    if (!read.present) {
        // No rules were ever set: leave the database alone.
        scheduleStaleCheck(std::nullopt);
        return;
    }
    std::optional<std::vector<FiredAlert>> fired = m_state.fired();
    if (!fired) {
        QLog("Qvl alerts: the alert state cannot be read, checking at the next refresh");
        return;
    }

    platform::UserDefaults defaults;
    defaults.addSuiteNamed(kCodesDomain);
    defaults.synchronize();
    const platform::Array* codes = defaults.arrayForKey(kCodesKey);
    const platform::Date now = platform::now();
    std::optional<platform::Date> nextStale;

    for (const AlertRule& rule : read.rules) {
        const platform::Value* record = recordOf(codes, rule.code);
        const platform::Value* field = record ? fieldOf(*record, rule.index) : nullptr;
        const std::string name = alertFieldName(shownTitle(field ? (*field)[kTitleKey].string() : nullptr), rule.code, rule.index);
        std::optional<platform::Date> lastRefresh;
        if (record) {
            lastRefresh = (*record)[kRefreshedAtKey].date();
            if (!lastRefresh)
                lastRefresh = m_watchedSince.try_emplace(rule.code, now).first->second;
        }

        for (AlertKind kind : {AlertKind::below, AlertKind::falling, AlertKind::stale}) {
            if (!hasKind(rule, kind))
                continue;
            const double limit = limitOf(rule, kind);
            AlertCheck result;
            switch (kind) {
            case AlertKind::below: {
                const std::string* value = field ? (*field)[kLastValueKey].string() : nullptr;
                std::optional<double> number = value ? numericValue(*value) : std::nullopt;
                if (!value && field && (*field)[kLastValueKey].isNumber())
                    number = (*field)[kLastValueKey].doubleValue();
                result = checkBelow(name, number, limit);
                break;
            }
            case AlertKind::falling: {
                if (!field)
                    break;
                const platform::Date since = now.adding(platform::Micros(-kFallingWindowDays * 24 * kMicrosPerHour));
                std::optional<std::vector<TimedNumber>> numbers = m_state.numbersSince(rule.code, rule.index, since);
                if (numbers)
                    result = checkFalling(name, *numbers, now, limit);
                break;
            }
            case AlertKind::stale:
                result = checkStale(name, lastRefresh, now, *rule.staleHours);
                break;
            }
            auto was = std::find_if(fired->begin(), fired->end(), [&](const FiredAlert& f) {
                return f.code == rule.code && f.index == rule.index && f.kind == kind;
            });
            const bool armed = was == fired->end() || was->limit != limit;
            if (result.holds == true && armed) {
                QLog("Qvl alerts: %@", result.text);
                if (!platform::postUserNotification({name, result.text}))
                    QLog("Qvl alerts: no notification service on this device: the alert is only logged");
                m_state.markFired({rule.code, rule.index, kind, limit, now});
            } else if (result.holds == false && was != fired->end()) {
                m_state.rearm(rule.code, rule.index, kind);
            }
            const bool firedNow = result.holds == true || (!result.holds && !armed);
            if (kind == AlertKind::stale && lastRefresh && !firedNow) {
                int64_t dueMicros = 0;
                if (__builtin_add_overflow(lastRefresh->micros(), *rule.staleHours * kMicrosPerHour, &dueMicros))
                    continue; // a refresh dated at the end of time is never stale
                const platform::Date due = platform::Date::fromMicros(dueMicros);
                if (!nextStale || due < *nextStale)
                    nextStale = due;
            }
        }
    }
    // Fired alerts whose rule is gone (or lost that limit) are forgotten.
    for (const FiredAlert& f : *fired) {
        const bool ruled = std::any_of(read.rules.begin(), read.rules.end(), [&](const AlertRule& r) {
            return r.code == f.code && r.index == f.index && hasKind(r, f.kind);
        });
        if (!ruled)
            m_state.rearm(f.code, f.index, f.kind);
    }
    if (nextStale && *nextStale <= now)
        nextStale = now.adding(platform::Micros(1000000));
    scheduleStaleCheck(nextStale);
}

} // namespace quorvel::history
