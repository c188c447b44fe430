#include "host/linux/AlertsService.h"

#include "history/AlertRules.h"
#include "host/linux/BusArguments.h"
#include "host/linux/DaemonLog.h"
#include "platform/system/Device.h"

#include <algorithm>
#include <cmath>

namespace linuxhost {

namespace {

using quorvel::history::AlertRule;

std::optional<int64_t> hoursOf(GVariant* value)
{
    std::optional<double> amount = numberOf(value);
    if (!amount || g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
        return std::nullopt;
    // Integers only, so within int64 once back from double for every value that can pass the range check.
    if (*amount < -1e15 || *amount > 1e15)
        return int64_t(-1);
    return static_cast<int64_t>(*amount);
}

GVariant* limitsOf(const AlertRule& rule)
{
    GVariantBuilder limits;
    g_variant_builder_init(&limits, G_VARIANT_TYPE("a{sv}"));
    if (rule.below)
        g_variant_builder_add(&limits, "{sv}", kAlertBelowLimit, g_variant_new_double(*rule.below));
    if (rule.fallingPerDay)
        g_variant_builder_add(&limits, "{sv}", kAlertFallingLimit, g_variant_new_double(*rule.fallingPerDay));
    if (rule.staleHours)
        g_variant_builder_add(&limits, "{sv}", kAlertStaleLimit, g_variant_new_int32(static_cast<gint32>(*rule.staleHours)));
    return g_variant_builder_end(&limits);
}

} // namespace

std::optional<std::string> alertRuleFromLimits(const std::string& code, gint32 index, GVariant* limits, AlertRule& rule)
{
    if (auto problem = codeProblem(code))
        return problem;
    rule = AlertRule{code, index, std::nullopt, std::nullopt, std::nullopt};
    GVariantIter iter;
    g_variant_iter_init(&iter, limits);
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    std::optional<std::string> problem;
    while (!problem && g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
        const std::string name = key;
        if (name == kAlertBelowLimit || name == kAlertFallingLimit) {
            std::optional<double> amount = numberOf(value);
            if (!amount)
                problem = name + " must be a number, not " + g_variant_get_type_string(value);
            else if (name == kAlertBelowLimit)
                rule.below = amount;
            else
                rule.fallingPerDay = amount;
        } else if (name == kAlertStaleLimit) {
            rule.staleHours = hoursOf(value);
            if (!rule.staleHours)
                problem = name + " must be an integer, not " + g_variant_get_type_string(value);
        } else {
            problem = "unknown limit " + logExcerpt(name) + " (below, falling_per_day, stale_hours)";
        }
        g_variant_unref(value);
    }
    if (problem)
        return problem;
    return quorvel::history::checkAlertRule(rule);
}

AlertsService::AlertsService(platform::Device& device, QuorvelBusQuorvel1* skeleton)
    : m_device(device)
    , m_skeleton(skeleton)
{
    g_signal_connect(m_skeleton, "handle-get-alerts", G_CALLBACK(handleGetAlerts), this);
    g_signal_connect(m_skeleton, "handle-set-alert", G_CALLBACK(handleSetAlert), this);
    g_signal_connect(m_skeleton, "handle-remove-alert", G_CALLBACK(handleRemoveAlert), this);
    platform::DeviceScope on(m_device);
    m_device.darwinCenter().addObserver(this, rulesChanged, quorvel::history::kAlertRulesChangedNotification,
                                        platform::CFNotificationSuspensionBehaviorDeliverImmediately);
}

AlertsService::~AlertsService()
{
    g_signal_handlers_disconnect_by_data(m_skeleton, this);
    m_device.darwinCenter().removeObserver(this);
}

void AlertsService::rulesChanged(platform::CFNotificationCenterRef, void* self, const std::string&, const void*,
                                 const platform::Dict*)
{
    quorvel_bus_quorvel1_emit_alerts_changed(static_cast<AlertsService*>(self)->m_skeleton);
}

gboolean AlertsService::handleGetAlerts(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<AlertsService*>(data);
    platform::DeviceScope on(self->m_device);
    quorvel::history::AlertRulesRead read = quorvel::history::readAlertRules();
    if (!read.problem.empty())
        return refuse(invocation, kFailed, "the alert rules file cannot be read (" + read.problem + "); it is left as it is");
    GVariantBuilder alerts;
    g_variant_builder_init(&alerts, G_VARIANT_TYPE("a(sia{sv})"));
    for (const AlertRule& rule : read.rules)
        g_variant_builder_add(&alerts, "(si@a{sv})", rule.code.c_str(), static_cast<gint32>(rule.index), limitsOf(rule));
    quorvel_bus_quorvel1_complete_get_alerts(skeleton, invocation, g_variant_builder_end(&alerts));
    return TRUE;
}

gboolean AlertsService::handleSetAlert(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, const gchar* code,
                                       gint index, GVariant* limits, gpointer data)
{
    auto* self = static_cast<AlertsService*>(data);
    AlertRule rule;
    if (auto problem = alertRuleFromLimits(code, index, limits, rule))
        return refuse(invocation, kInvalidArgument, *problem);
    platform::DeviceScope on(self->m_device);
    quorvel::history::AlertRulesRead read = quorvel::history::readAlertRules();
    if (!read.problem.empty())
        return refuse(invocation, kFailed, "the alert rules file cannot be read (" + read.problem + "); it is left as it is");
    const bool stored = std::any_of(read.rules.begin(), read.rules.end(),
                                    [&](const AlertRule& r) { return r.code == rule.code && r.index == rule.index; });
    if (!stored && rule.hasLimits() && read.rules.size() >= quorvel::history::kMostAlertRules)
        return refuse(invocation, kStoreFull,
                      "there are " + std::to_string(quorvel::history::kMostAlertRules) + " alert rules already");
    if (auto problem = quorvel::history::setAlertRule(rule))
        return refuse(invocation, kFailed, *problem);
    note("the alerts of " + rule.code + " field " + std::to_string(rule.index) + " set over the session bus");
    quorvel_bus_quorvel1_complete_set_alert(skeleton, invocation);
    quorvel::history::announceAlertRulesChanged();
    return TRUE;
}

gboolean AlertsService::handleRemoveAlert(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation,
                                          const gchar* code, gint index, gpointer data)
{
    auto* self = static_cast<AlertsService*>(data);
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    platform::DeviceScope on(self->m_device);
    bool found = false;
    if (auto problem = quorvel::history::removeAlertRule(code, index, &found))
        return refuse(invocation, kFailed, *problem);
    if (!found)
        return refuse(invocation, kNotFound, "no alerts on " + std::string(code) + " field " + std::to_string(index));
    note("the alerts of " + std::string(code) + " field " + std::to_string(index) + " removed over the session bus");
    quorvel_bus_quorvel1_complete_remove_alert(skeleton, invocation);
    quorvel::history::announceAlertRulesChanged();
    return TRUE;
}

} // namespace linuxhost
