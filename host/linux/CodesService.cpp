#include "host/linux/CodesService.h"

#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "host/linux/BusArguments.h"
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

namespace {

// The stored codes list; nullopt when the store exists but cannot be read
// (an absent store, or one without a list, is an empty list, as the Settings
// bundle takes it).
std::optional<Array> storedCodes()
{
    if (!platform::fileExists(quorvel::kCodesStorePath))
        return Array{};
    std::optional<Dict> store = platform::readDictionaryIfPresent(quorvel::kCodesStorePath);
    if (!store)
        return std::nullopt;
    auto codes = store->find(quorvel::kCodesKey);
    if (codes != store->end() && codes->second.array())
        return *codes->second.array();
    return Array{};
}

bool writeCodes(const Array& codes)
{
    return platform::writeDictionaryAtomically(quorvel::kCodesStorePath, Dict{{quorvel::kCodesKey, codes}});
}

std::string text(const Value& value)
{
    if (value.isNone() || value.isArray() || value.isDict())
        return {};
    return value.description();
}

int32_t smallInteger(const Value& value)
{
    const int64_t n = value.isNumber() ? value.integerValue() : 0;
    return n < INT32_MIN || n > INT32_MAX ? 0 : static_cast<int32_t>(n);
}

GVariant* codeTuple(const Value& record, const LastReplies& replies)
{
    GVariantBuilder fields;
    g_variant_builder_init(&fields, G_VARIANT_TYPE("a(iss)"));
    if (const Array* list = record[quorvel::kFieldsKey].array())
        for (const Value& field : *list)
            g_variant_builder_add(&fields, "(iss)", smallInteger(field[quorvel::kIndexKey]),
                                  text(field[quorvel::kTitleKey]).c_str(), text(field[quorvel::kLastValueKey]).c_str());
    const std::string code = text(record[quorvel::kUssdCodeKey]);
    const std::optional<platform::Date> refreshed = record[quorvel::kRefreshedAtKey].date();
    // Texts from a hand-edited store may not be UTF-8; GVariant refuses those.
    auto safe = [](std::string s) { return g_utf8_validate(s.c_str(), static_cast<gssize>(s.size()), nullptr) ? s : std::string(); };
    return g_variant_new("(ssixsa(iss))", safe(code).c_str(), safe(text(record[quorvel::kSmsSenderKey])).c_str(),
                         smallInteger(record[quorvel::kExpectedNumbersKey]),
                         static_cast<gint64>(refreshed ? refreshed->micros() : 0),
                         safe(code.empty() ? std::string() : replies.textFor(code)).c_str(), &fields);
}

} // namespace

CodesService::CodesService(platform::Device& device, QuorvelBusQuorvel1* skeleton, const LastReplies& replies)
    : m_device(device), m_skeleton(skeleton), m_replies(replies)
{
    g_signal_connect(m_skeleton, "handle-get-codes", G_CALLBACK(handleGetCodes), this);
    g_signal_connect(m_skeleton, "handle-save-code", G_CALLBACK(handleSaveCode), this);
    g_signal_connect(m_skeleton, "handle-delete-code", G_CALLBACK(handleDeleteCode), this);
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
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    if (auto problem = senderProblem(sender))
        return refuse(invocation, kInvalidArgument, *problem);
    if (expected < 1 || expected > kMaxExpectedNumbers)
        return refuse(invocation, kInvalidArgument,
                      "expected_numbers must be 1 to " + std::to_string(kMaxExpectedNumbers) + ", not " + std::to_string(expected));
    if (g_variant_n_children(fields) > static_cast<gsize>(expected))
        return refuse(invocation, kInvalidArgument, "more fields than numbers");
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
            return refuse(invocation, kInvalidArgument,
                          "field index " + std::to_string(index) + " is outside the reply's " + std::to_string(expected) + " numbers");
        if (!seen.insert(index).second)
            return refuse(invocation, kInvalidArgument, "field index " + std::to_string(index) + " is given twice");
        if (auto problem = titleProblem(title))
            return refuse(invocation, kInvalidArgument, *problem);
        if (*title)
            titled[index] = title;
    }
    Array newFields;
    for (const auto& [number, name] : titled)
        newFields.push_back(Dict{{quorvel::kTitleKey, name}, {quorvel::kIndexKey, number}});
    if (newFields.empty())
        return refuse(invocation, kInvalidArgument, "at least one field needs a title");

    platform::DeviceScope on(self->m_device);
    std::optional<Array> codes = storedCodes();
    if (!codes)
        return refuse(invocation, kFailed, "the codes store cannot be read; it is left as it is");
    if (codes->size() >= kMaxStoredCodes)
        return refuse(invocation, kStoreFull, "the store holds " + std::to_string(kMaxStoredCodes) + " codes already");
    Dict record{{quorvel::kUssdCodeKey, std::string(code)}, {quorvel::kFieldsKey, newFields},
                {quorvel::kExpectedNumbersKey, expected}};
    if (*sender)
        record[quorvel::kSmsSenderKey] = std::string(sender);
    // As the wizard does while codes follow their SIM: the SIM in now, the
    // one a dial made from the app went out on.
    if (quorvel::codesFollowSimSetting())
        if (std::optional<std::string> sim = quorvel::simToRecord())
            record[quorvel::kSimIdKey] = *sim;
    codes->emplace_back(std::move(record));
    if (!writeCodes(*codes))
        return refuse(invocation, kFailed, "the codes store cannot be written");
    note("code " + std::string(code) + " saved over the session bus with " + std::to_string(newFields.size()) + " field" +
         (newFields.size() == 1 ? "" : "s"));
    quorvel_bus_quorvel1_complete_save_code(skeleton, invocation, static_cast<gint>(codes->size() - 1));
    if (self->m_edited)
        self->m_edited();
    return TRUE;
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
    // Index and code together: a client whose list is stale deletes nothing.
    if (index < 0 || static_cast<size_t>(index) >= codes->size() || text((*codes)[static_cast<size_t>(index)][quorvel::kUssdCodeKey]) != code)
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
