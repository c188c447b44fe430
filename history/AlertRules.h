// The alert rules the user sets per field, kept in a property list of their own
// beside the stores (never in the codes store):
//
//   /var/mobile/Library/Preferences/org.quillmoor.quorvel.alerts.plist
//   <dict><key>alerts</key><array>
//     <dict><key>ussdCode</key><string>*100#</string><key>index</key><integer>0</integer>
//           <key>below</key><real>5</real><key>fallingPerDay</key><real>1.5</real>
//           <key>staleHours</key><integer>24</integer></dict>
//   </array></dict>
//
// One entry per field (code + index), each of the three limits optional. The
// history module reads the file; the page and quorveld's D-Bus methods write
// it through setAlertRule/removeAlertRule and then post
// kAlertRulesChangedNotification on the Darwin centre.
//
// A file that cannot be read, is no property list or holds anything of the
// wrong type or out of range counts as no rules at all (the reader says why);
// the writers refuse to change such a file rather than overwrite it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::history {

inline constexpr const char* kAlertRulesPath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.alerts.plist";
inline constexpr const char* kAlertRulesChangedNotification = "org.quillmoor.quorvel.alertsChanged";

// Keys of the file.
inline constexpr const char* kAlertsKey = "alerts";
inline constexpr const char* kAlertCodeKey = "ussdCode";
inline constexpr const char* kAlertIndexKey = "index";
inline constexpr const char* kAlertBelowKey = "below";
inline constexpr const char* kAlertFallingKey = "fallingPerDay";
inline constexpr const char* kAlertStaleKey = "staleHours";

// Bounds every rule is checked against, when read and when written.
inline constexpr size_t kMostAlertRules = 100;
inline constexpr size_t kLongestAlertCode = 40;
inline constexpr int64_t kMostAlertIndex = 999;
inline constexpr double kLargestAlertAmount = 1e12;
inline constexpr int64_t kMostStaleHours = 24 * 366;

struct AlertRule {
    std::string code;
    int64_t index = 0;
    std::optional<double> below;          // fires when the value is below this
    std::optional<double> fallingPerDay;  // fires when it falls faster than this a day (> 0)
    std::optional<int64_t> staleHours;    // fires after this many hours without a refresh (1..kMostStaleHours)

    bool hasLimits() const { return below || fallingPerDay || staleHours; }
    friend bool operator==(const AlertRule&, const AlertRule&) = default;
};

struct AlertRulesRead {
    std::vector<AlertRule> rules;
    // Why the file counts as no rules; empty when it was read (or is missing).
    std::string problem;
    bool present = false;
};

// The rules in the file at kAlertRulesPath (a device path). Never logs.
AlertRulesRead readAlertRules();
// The rules in a property list's bytes; `problem` says why they count as none.
AlertRulesRead parseAlertRules(const std::string& bytes);

// Why the rule cannot be stored (a code empty, too long or not of 0-9*#+, an
// index out of range, a limit not finite or out of range); nullopt when it can.
std::optional<std::string> checkAlertRule(const AlertRule& rule);

// Stores the rule of its field, replacing the one there; a rule without limits
// removes it. Nothing changes and the reason comes back when the rule is bad,
// the file cannot be read (it is left alone), the store is full or the write fails.
std::optional<std::string> setAlertRule(const AlertRule& rule);
// Removes the field's rule. `*found` says whether there was one.
std::optional<std::string> removeAlertRule(const std::string& code, int64_t index, bool* found = nullptr);

// Posts kAlertRulesChangedNotification on the current device's Darwin centre
// (nothing when no device is current), so the history module reads the rules again.
void announceAlertRulesChanged();

// "5.00", "-1.20", "1500.00": every amount in alert texts and forms, two decimals.
std::string alertAmount(double amount);

} // namespace quorvel::history
