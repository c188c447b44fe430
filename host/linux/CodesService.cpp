#include "host/linux/CodesService.h"

#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "host/linux/BusArguments.h"
#include "host/linux/CodesStoreFile.h"
#include "host/linux/DaemonLog.h"
#include "host/common/replies/LastReplies.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Device.h"

#include <climits>
#include <set>
#include <cstdint>
#include <map>

namespace linuxhost {

using platform::Array;
using platform::Dict;
using platform::Value;


CodesService::CodesService(platform::Device& device, QuorvelBusQuorvel1* skeleton, const LastReplies& replies)
    : m_device(device), m_skeleton(skeleton), m_replies(replies)
{
    g_signal_connect(m_skeleton, "handle-get-codes", G_CALLBACK(handleGetCodes), this);
    g_signal_connect(m_skeleton, "handle-save-code", G_CALLBACK(handleSaveCode), this);
    g_signal_connect(m_skeleton, "handle-delete-code", G_CALLBACK(handleDeleteCode), this);
    connectExtras();
}

CodesService::~CodesService()
{
    g_signal_handlers_disconnect_by_data(m_skeleton, this);
}

gboolean CodesService::handleGetCodes(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<CodesService*>(data);
    platform::DeviceScope on(self->m_device);
    GVariantBuilder codes;
    g_variant_builder_init(&codes, G_VARIANT_TYPE("a(ssixsa(iss))"));
    for (const Value& record : storedCodes().value_or(Array{}))
        g_variant_builder_add_value(&codes, codeTuple(record, self->m_replies));
    quorvel_bus_quorvel1_complete_get_codes(skeleton, invocation, g_variant_builder_end(&codes));
    return TRUE;
}

gboolean CodesService::handleSaveCode(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, const gchar* code,
                                      const gchar* sender, gint expected, GVariant* fields, gpointer data)
{
    auto* self = static_cast<CodesService*>(data);
    if (std::optional<int> index = self->appendRecord(invocation, code, sender, expected, fields, {}))
        quorvel_bus_quorvel1_complete_save_code(skeleton, invocation, *index);
    return TRUE;
}

std::optional<int> CodesService::appendRecord(GDBusMethodInvocation* invocation, const std::string& code,
                                              const std::string& sender, gint expected, GVariant* fields,
                                              const std::vector<std::string>& menuChoices)
{
    auto refused = [invocation](const char* error, const std::string& message) -> std::optional<int> {
        refuse(invocation, error, message);
        return std::nullopt;
    };
    if (auto problem = codeProblem(code))
        return refused(kInvalidArgument, *problem);
    if (auto problem = senderProblem(sender))
        return refused(kInvalidArgument, *problem);
    if (expected < 1 || expected > kMaxExpectedNumbers)
        return refused(kInvalidArgument,
                       "expected_numbers must be 1 to " + std::to_string(kMaxExpectedNumbers) + ", not " + std::to_string(expected));
    if (g_variant_n_children(fields) > static_cast<gsize>(expected))
        return refused(kInvalidArgument, "more fields than numbers");
    // As the wizard's Save: one {title, index} per titled number, in the
    // numbers' order; untitled numbers are left out.
    std::map<gint32, std::string> titled;
    std::set<gint32> seen;
    GVariantIter iter;
    g_variant_iter_init(&iter, fields);
    gint32 index = 0;
    const gchar* title = nullptr;
    while (g_variant_iter_next(&iter, "(i&s)", &index, &title)) {
        if (index < 0 || index >= expected)
            return refused(kInvalidArgument,
                           "field index " + std::to_string(index) + " is outside the reply's " + std::to_string(expected) + " numbers");
        if (!seen.insert(index).second)
            return refused(kInvalidArgument, "field index " + std::to_string(index) + " is given twice");
        if (auto problem = titleProblem(title))
            return refused(kInvalidArgument, *problem);
        if (*title)
            titled[index] = title;
    }
    Array newFields;
    for (const auto& [number, name] : titled)
        newFields.push_back(Dict{{quorvel::kTitleKey, name}, {quorvel::kIndexKey, number}});
    if (newFields.empty())
        return refused(kInvalidArgument, "at least one field needs a title");

    platform::DeviceScope on(m_device);
    std::optional<Array> codes = storedCodes();
    if (!codes)
        return refused(kFailed, "the codes store cannot be read; it is left as it is");
    if (codes->size() >= kMaxStoredCodes)
        return refused(kStoreFull, "the store holds " + std::to_string(kMaxStoredCodes) + " codes already");
    Dict record{{quorvel::kUssdCodeKey, code}, {quorvel::kFieldsKey, newFields},
                {quorvel::kExpectedNumbersKey, expected}};
    if (!sender.empty())
        record[quorvel::kSmsSenderKey] = sender;
    if (!menuChoices.empty()) {
        Array choices;
        for (const std::string& choice : menuChoices)
            choices.push_back(choice);
        record[quorvel::kMenuChoicesKey] = choices;
    }
    // As the wizard does while codes follow their SIM: the SIM in now, the
    // one a dial made from the app went out on.
    if (quorvel::codesFollowSimSetting())
        if (std::optional<std::string> sim = quorvel::simToRecord())
            record[quorvel::kSimIdKey] = *sim;
    codes->emplace_back(std::move(record));
    if (!writeCodes(*codes))
        return refused(kFailed, "the codes store cannot be written");
    note("code " + code + " saved over the session bus with " + std::to_string(newFields.size()) + " field" +
         (newFields.size() == 1 ? "" : "s") +
         (menuChoices.empty() ? std::string() : " and a menu path of " + std::to_string(menuChoices.size())));
    if (m_edited)
        m_edited();
    return static_cast<int>(codes->size() - 1);
}

gboolean CodesService::handleDeleteCode(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gint index,
                                        const gchar* code, gpointer data)
{
    auto* self = static_cast<CodesService*>(data);
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    platform::DeviceScope on(self->m_device);
    std::optional<Array> codes = storedCodes();
    if (!codes)
        return refuse(invocation, kFailed, "the codes store cannot be read; it is left as it is");
    if (!recordAt(*codes, index, code))
        return refuse(invocation, kNotFound, "no code " + std::string(code) + " at index " + std::to_string(index));
    codes->erase(codes->begin() + index);
    if (!writeCodes(*codes))
        return refuse(invocation, kFailed, "the codes store cannot be written");
    note("code " + std::string(code) + " at index " + std::to_string(index) + " deleted over the session bus");
    quorvel_bus_quorvel1_complete_delete_code(skeleton, invocation);
    if (self->m_edited)
        self->m_edited();
    return TRUE;
}

} // namespace linuxhost
