// CodesService's extras (see CodesService.h): the menu path of a saved code,
// each code's SIM, and binding a code to the SIM in.
#include "host/linux/CodesService.h"

#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "host/linux/BusArguments.h"
#include "host/linux/CodesStoreFile.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/client/MenuChoiceRules.h"
#include "platform/system/Device.h"
#include "platform/telephony/SimCards.h"

namespace linuxhost {

using platform::Array;
using platform::Value;

namespace {

constexpr const char* kMenuChoicesExtra = "menu_choices";

// The menu path in SaveCodeWith's extras, or why it cannot be one.
std::optional<std::string> readExtras(GVariant* extras, std::vector<std::string>* choices)
{
    GVariantIter iter;
    g_variant_iter_init(&iter, extras);
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    std::optional<std::string> problem;
    while (!problem && g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
        if (std::string(key) != kMenuChoicesExtra) {
            problem = "unknown extra \"" + logExcerpt(key) + "\" (only " + kMenuChoicesExtra + ")";
        } else if (!g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
            problem = std::string(kMenuChoicesExtra) + " must be a list of texts (as), not " + g_variant_get_type_string(value);
        } else {
            const gsize count = g_variant_n_children(value);
            if (count == 0 || count > kMaxMenuPathChoices)
                problem = std::string(kMenuChoicesExtra) + " must hold 1 to " + std::to_string(kMaxMenuPathChoices) +
                          " choices, not " + std::to_string(count);
            for (gsize i = 0; !problem && i < count; ++i) {
                const gchar* choice = nullptr;
                g_variant_get_child(value, i, "&s", &choice);
                problem = menuChoiceProblem(choice);
                choices->push_back(choice);
            }
        }
        g_variant_unref(value);
    }
    return problem;
}

std::vector<std::string> simsIn()
{
    std::vector<std::string> ids;
    for (const platform::CTSimCard& sim : platform::CTCopyInsertedSims()) {
        std::string identity = platform::CTSimIdentity(sim);
        if (!identity.empty() && g_utf8_validate(identity.c_str(), static_cast<gssize>(identity.size()), nullptr))
            ids.push_back(std::move(identity));
    }
    return ids;
}

} // namespace

void CodesService::connectExtras()
{
    g_signal_connect(m_skeleton, "handle-save-code-with", G_CALLBACK(handleSaveCodeWith), this);
    g_signal_connect(m_skeleton, "handle-get-codes-with-extras", G_CALLBACK(handleGetCodesWithExtras), this);
    g_signal_connect(m_skeleton, "handle-bind-code-to-sim", G_CALLBACK(handleBindCodeToSim), this);
    simsChanged();
}

void CodesService::simsChanged()
{
    std::vector<std::string> ids;
    {
        platform::DeviceScope on(m_device);
        ids = simsIn();
    }
    std::vector<const gchar*> list;
    for (const std::string& id : ids)
        list.push_back(id.c_str());
    list.push_back(nullptr);
    quorvel_bus_quorvel1_set_sims(m_skeleton, list.data());
    quorvel_bus_quorvel1_emit_codes_changed(m_skeleton);
}

gboolean CodesService::handleSaveCodeWith(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation,
                                          const gchar* code, const gchar* sender, gint expected, GVariant* fields,
                                          GVariant* extras, gpointer data)
{
    auto* self = static_cast<CodesService*>(data);
    std::vector<std::string> choices;
    if (auto problem = readExtras(extras, &choices))
        return refuse(invocation, kInvalidArgument, *problem);
    if (std::optional<int> index = self->appendRecord(invocation, code, sender, expected, fields, choices))
        quorvel_bus_quorvel1_complete_save_code_with(skeleton, invocation, *index);
    return TRUE;
}

gboolean CodesService::handleGetCodesWithExtras(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation,
                                                gpointer data)
{
    auto* self = static_cast<CodesService*>(data);
    platform::DeviceScope on(self->m_device);
    const bool follow = quorvel::codesFollowSimSetting();
    GVariantBuilder codes;
    g_variant_builder_init(&codes, G_VARIANT_TYPE("a(ssixsa(iss)a{sv})"));
    for (const Value& record : storedCodes().value_or(Array{})) {
        GVariant* base = g_variant_ref_sink(codeTuple(record, self->m_replies));
        GVariantBuilder entry;
        g_variant_builder_init(&entry, G_VARIANT_TYPE("(ssixsa(iss)a{sv})"));
        for (gsize i = 0; i < g_variant_n_children(base); ++i) {
            GVariant* part = g_variant_get_child_value(base, i);
            g_variant_builder_add_value(&entry, part);
            g_variant_unref(part);
        }
        g_variant_unref(base);
        GVariantBuilder extras;
        g_variant_builder_init(&extras, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&extras, "{sv}", "sim_in", g_variant_new_boolean(!quorvel::simIsMissing(record, follow)));
        const std::string* sim = record[quorvel::kSimIdKey].string();
        if (sim && !sim->empty() && g_utf8_validate(sim->c_str(), static_cast<gssize>(sim->size()), nullptr))
            g_variant_builder_add(&extras, "{sv}", "sim_id", g_variant_new_string(sim->c_str()));
        if (const Array* path = record[quorvel::kMenuChoicesKey].array()) {
            GVariantBuilder choices;
            g_variant_builder_init(&choices, G_VARIANT_TYPE_STRING_ARRAY);
            for (const Value& choice : *path) {
                const std::string* textChoice = choice.string();
                if (textChoice && g_utf8_validate(textChoice->c_str(), static_cast<gssize>(textChoice->size()), nullptr))
                    g_variant_builder_add(&choices, "s", textChoice->c_str());
            }
            g_variant_builder_add(&extras, "{sv}", "menu_choices", g_variant_builder_end(&choices));
        }
        g_variant_builder_add_value(&entry, g_variant_builder_end(&extras));
        g_variant_builder_add_value(&codes, g_variant_builder_end(&entry));
    }
    quorvel_bus_quorvel1_complete_get_codes_with_extras(skeleton, invocation, g_variant_builder_end(&codes));
    return TRUE;
}

gboolean CodesService::handleBindCodeToSim(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gint index,
                                           const gchar* code, gpointer data)
{
    auto* self = static_cast<CodesService*>(data);
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    platform::DeviceScope on(self->m_device);
    if (!quorvel::codesFollowSimSetting())
        return refuse(invocation, kInvalidArgument, "codes do not follow their SIM: turn codesFollowSim on first");
    const std::optional<std::string> sim = quorvel::simToRecord();
    if (!sim)
        return refuse(invocation, kModemUnavailable, "no SIM is in to bind the code to");
    std::optional<Array> codes = storedCodes();
    if (!codes)
        return refuse(invocation, kFailed, "the codes store cannot be read; it is left as it is");
    Value* record = recordAt(*codes, index, code);
    if (!record || !record->isDict())
        return refuse(invocation, kNotFound, "no code " + std::string(code) + " at index " + std::to_string(index));
    (*record->dict())[quorvel::kSimIdKey] = *sim;
    if (!writeCodes(*codes))
        return refuse(invocation, kFailed, "the codes store cannot be written");
    note("code " + std::string(code) + " at index " + std::to_string(index) + " bound to SIM " + *sim +
         " over the session bus");
    quorvel_bus_quorvel1_complete_bind_code_to_sim(skeleton, invocation, sim->c_str());
    if (self->m_edited)
        self->m_edited();
    return TRUE;
}

} // namespace linuxhost
