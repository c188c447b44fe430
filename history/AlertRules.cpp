#include "history/AlertRules.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvel::history {

namespace {

// Property-list numbers only: a text or a boolean is the wrong type here.
std::optional<double> amountOf(const platform::Value& value)
{
    if (value.type() == platform::Value::Type::Integer || value.type() == platform::Value::Type::Real)
        return value.doubleValue();
    return std::nullopt;
}

std::optional<std::string> ruleOf(const platform::Value& entry, AlertRule& rule)
{
    const platform::Dict* dict = entry.dict();
    if (!dict)
        return "an entry is not a dictionary";
    const std::string* code = entry[kAlertCodeKey].string();
    if (!code)
        return "an entry's ussdCode is not a string";
    rule.code = *code;
    if (entry[kAlertIndexKey].type() != platform::Value::Type::Integer)
        return "an entry's index is not an integer";
    rule.index = entry[kAlertIndexKey].integerValue();
    if (dict->contains(kAlertBelowKey)) {
        rule.below = amountOf(entry[kAlertBelowKey]);
        if (!rule.below)
            return "an entry's below is not a number";
    }
    if (dict->contains(kAlertFallingKey)) {
        rule.fallingPerDay = amountOf(entry[kAlertFallingKey]);
        if (!rule.fallingPerDay)
            return "an entry's fallingPerDay is not a number";
    }
    if (dict->contains(kAlertStaleKey)) {
        if (entry[kAlertStaleKey].type() != platform::Value::Type::Integer)
            return "an entry's staleHours is not an integer";
        rule.staleHours = entry[kAlertStaleKey].integerValue();
    }
    return checkAlertRule(rule);
}

platform::Dict entryOf(const AlertRule& rule)
{
    platform::Dict entry{{kAlertCodeKey, rule.code}, {kAlertIndexKey, rule.index}};
    if (rule.below)
        entry[kAlertBelowKey] = *rule.below;
    if (rule.fallingPerDay)
        entry[kAlertFallingKey] = *rule.fallingPerDay;
    if (rule.staleHours)
        entry[kAlertStaleKey] = *rule.staleHours;
    return entry;
}

bool validCode(const std::string& code)
{
    return !code.empty() && code.size() <= kLongestAlertCode &&
           std::all_of(code.begin(), code.end(), [](char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+'; });
}

// The rules now stored, for a writer: a file that is there but unreadable is an error.
std::optional<std::string> storedRules(std::vector<AlertRule>& rules)
{
    AlertRulesRead read = readAlertRules();
    if (!read.problem.empty())
        return "the alert rules file cannot be read (" + read.problem + "); it is left as it is";
    rules = std::move(read.rules);
    return std::nullopt;
}

std::optional<std::string> store(const std::vector<AlertRule>& rules)
{
    platform::Array entries;
    for (const AlertRule& rule : rules)
        entries.emplace_back(entryOf(rule));
    if (!platform::writeDictionaryAtomically(kAlertRulesPath, platform::Dict{{kAlertsKey, std::move(entries)}}))
        return std::string("the alert rules file cannot be written");
    return std::nullopt;
}

} // namespace

AlertRulesRead parseAlertRules(const std::string& bytes)
{
    AlertRulesRead read;
    read.present = true;
    std::string error;
    std::optional<platform::Value> root = platform::parsePropertyList(bytes, &error);
    if (!root) {
        read.problem = "it is not a property list";
        return read;
    }
    if (!root->isDict()) {
        read.problem = "its root is not a dictionary";
        return read;
    }
    const platform::Value& entries = (*root)[kAlertsKey];
    if (entries.isNone())
        return read;
    if (!entries.array()) {
        read.problem = "alerts is not an array";
        return read;
    }
    if (entries.array()->size() > kMostAlertRules) {
        read.problem = "it holds more than " + std::to_string(kMostAlertRules) + " rules";
        return read;
    }
    for (const platform::Value& entry : *entries.array()) {
        AlertRule rule;
        if (std::optional<std::string> why = ruleOf(entry, rule)) {
            read.problem = *why;
            read.rules.clear();
            return read;
        }
        read.rules.push_back(std::move(rule));
    }
    return read;
}

AlertRulesRead readAlertRules()
{
    if (!platform::fileExists(kAlertRulesPath))
        return {};
    std::optional<std::string> bytes = platform::readFile(kAlertRulesPath);
    if (!bytes) {
        AlertRulesRead read;
        read.present = true;
        read.problem = "it cannot be read";
        return read;
    }
    return parseAlertRules(*bytes);
}

std::optional<std::string> checkAlertRule(const AlertRule& rule)
{
    if (!validCode(rule.code))
        return "a code must be 1 to " + std::to_string(kLongestAlertCode) + " characters of 0-9*#+";
    if (rule.index < 0 || rule.index > kMostAlertIndex)
        return "a field index must be 0 to " + std::to_string(kMostAlertIndex);
    if (rule.below && !(std::isfinite(*rule.below) && std::fabs(*rule.below) <= kLargestAlertAmount))
        return std::string("a below limit must be a finite number within a trillion");
    if (rule.fallingPerDay && !(std::isfinite(*rule.fallingPerDay) && *rule.fallingPerDay > 0 &&
                                *rule.fallingPerDay <= kLargestAlertAmount))
        return std::string("a falling-per-day limit must be above 0 and within a trillion");
    if (rule.staleHours && (*rule.staleHours < 1 || *rule.staleHours > kMostStaleHours))
        return "a stale limit must be 1 to " + std::to_string(kMostStaleHours) + " hours";
    return std::nullopt;
}

std::optional<std::string> setAlertRule(const AlertRule& rule)
{
    if (std::optional<std::string> why = checkAlertRule(rule))
        return why;
    std::vector<AlertRule> rules;
    if (std::optional<std::string> why = storedRules(rules))
        return why;
    auto same = std::find_if(rules.begin(), rules.end(),
                             [&](const AlertRule& r) { return r.code == rule.code && r.index == rule.index; });
    if (!rule.hasLimits()) {
        if (same == rules.end())
            return std::nullopt;
        rules.erase(same);
    } else if (same != rules.end()) {
        if (*same == rule)
            return std::nullopt;
        *same = rule;
    } else {
        if (rules.size() >= kMostAlertRules)
            return "there are " + std::to_string(kMostAlertRules) + " alert rules already";
        rules.push_back(rule);
    }
    return store(rules);
}

std::optional<std::string> removeAlertRule(const std::string& code, int64_t index, bool* found)
{
    if (found)
        *found = false;
    std::vector<AlertRule> rules;
    if (std::optional<std::string> why = storedRules(rules))
        return why;
    const size_t before = rules.size();
    std::erase_if(rules, [&](const AlertRule& r) { return r.code == code && r.index == index; });
    if (rules.size() == before)
        return std::nullopt;
    if (found)
        *found = true;
    return store(rules);
}

void announceAlertRulesChanged()
{
    if (!platform::Device::currentOrNull())
        return;
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(),
                                                   kAlertRulesChangedNotification, nullptr, nullptr, true);
}

std::string alertAmount(double amount)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", amount);
    // "-0.00" reads as a fall where there is none.
    return std::string(text) == "-0.00" ? "0.00" : text;
}

} // namespace quorvel::history
