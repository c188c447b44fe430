#include "host/linux/HistoryService.h"

#include "history/HistoryDatabase.h"
#include "history/HistorySummary.h"
#include "host/linux/BusArguments.h"
#include "host/linux/DaemonLog.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Utf8.h"
#include "platform/system/Device.h"

namespace linuxhost {

namespace {

// Stored texts are the carrier's: GVariant takes only valid UTF-8.
std::string safe(const std::string& text)
{
    return platform::utf8::sanitized(text, true);
}

} // namespace

HistoryService::HistoryService(platform::Device& device, QuorvelBusQuorvel1* skeleton)
    : m_device(device), m_skeleton(skeleton)
{
    g_signal_connect(m_skeleton, "handle-get-history", G_CALLBACK(handleGetHistory), this);
    g_signal_connect(m_skeleton, "handle-get-changes", G_CALLBACK(handleGetChanges), this);
}

HistoryService::~HistoryService()
{
    g_signal_handlers_disconnect_by_data(m_skeleton, this);
}

std::string HistoryService::historyFile()
{
    platform::DeviceScope on(m_device);
    return platform::hostPath(quorvel::history::kHistoryDatabasePath);
}

void HistoryService::noteProblem(const std::optional<std::string>& problem)
{
    if (!problem) {
        m_lastProblem.clear();
        return;
    }
    if (*problem == m_lastProblem)
        return;
    m_lastProblem = *problem;
    note("the history cannot be read, so clients get none: " + *problem);
}

gboolean HistoryService::handleGetHistory(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation,
                                          const gchar* code, gint index, gint64 since, gpointer data)
{
    auto* self = static_cast<HistoryService*>(data);
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    if (index < 0 || index >= kMaxExpectedNumbers)
        return refuse(invocation, kInvalidArgument,
                      "index must be 0 to " + std::to_string(kMaxExpectedNumbers - 1) + ", not " + std::to_string(index));
    if (since < 0)
        return refuse(invocation, kInvalidArgument, "since_micros must not be negative");
    std::vector<quorvel::history::HistoryPoint> points;
    self->noteProblem(quorvel::history::readPoints(self->historyFile(), code, index,
                                                   platform::Date::fromMicros(since), &points));
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(xsd)"));
    for (const auto& point : points)
        g_variant_builder_add(&list, "(xsd)", static_cast<gint64>(point.at.micros()), safe(point.value).c_str(),
                              point.number);
    quorvel_bus_quorvel1_complete_get_history(skeleton, invocation, g_variant_builder_end(&list));
    return TRUE;
}

gboolean HistoryService::handleGetChanges(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation,
                                          const gchar* code, gpointer data)
{
    auto* self = static_cast<HistoryService*>(data);
    std::optional<std::string> only;
    if (*code) {
        if (auto problem = codeProblem(code))
            return refuse(invocation, kInvalidArgument, *problem);
        only = code;
    }
    std::vector<quorvel::history::FieldChange> changes;
    self->noteProblem(quorvel::history::readChanges(self->historyFile(), only, &changes));
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(sisssbdxx)"));
    for (const auto& change : changes) {
        if (change.index < 0 || change.index >= kMaxExpectedNumbers)
            continue; // no field of a record has such an index
        g_variant_builder_add(&list, "(sisssbdxx)", safe(change.code).c_str(), static_cast<gint32>(change.index),
                              safe(change.title).c_str(), safe(change.value).c_str(), safe(change.previousValue).c_str(),
                              static_cast<gboolean>(change.delta.has_value()), change.delta.value_or(0.0),
                              static_cast<gint64>(change.previousAt.micros()), static_cast<gint64>(change.changedAt.micros()));
    }
    quorvel_bus_quorvel1_complete_get_changes(skeleton, invocation, g_variant_builder_end(&list));
    return TRUE;
}

} // namespace linuxhost
