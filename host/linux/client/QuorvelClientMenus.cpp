// The client library's menu dials, menu paths and SIMs (see QuorvelClient.h).
#include "host/linux/client/QuorvelClient.h"

#include "dbus/QuorvelBus.h"
#include "host/linux/client/ClientCalls.h"

#include <cstring>

namespace linuxhost {

namespace {

using MenuDone = std::function<void(std::optional<MenuReply>, const CallError&)>;

struct MenuCall {
    MenuDone done;
    GCancellable* cancellable;
    // DialCodeWithMenus or RespondMenu: the same reply, different finish functions.
    gboolean (*finishCall)(QuorvelBusQuorvel1*, gchar**, gchar***, gboolean*, GAsyncResult*, GError**);
};

void menuAnswered(GObject* proxy, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<MenuCall> call(static_cast<MenuCall*>(data));
    GError* failure = nullptr;
    gchar* reply = nullptr;
    gchar** numbers = nullptr;
    gboolean menu = FALSE;
    const bool answered = call->finishCall(QUORVEL_BUS_QUORVEL1(proxy), &reply, &numbers, &menu, result, &failure);
    const bool cancelled = g_cancellable_is_cancelled(call->cancellable);
    g_object_unref(call->cancellable);
    CallError error;
    std::optional<MenuReply> answer;
    if (answered) {
        answer = MenuReply{reply, {}, static_cast<bool>(menu)};
        for (gchar** n = numbers; n && *n; ++n)
            answer->numbers.emplace_back(*n);
        g_free(reply);
        g_strfreev(numbers);
    } else {
        take(failure, &error);
    }
    if (!cancelled)
        call->done(std::move(answer), error);
}

} // namespace

void QuorvelClient::dialWithMenusAsync(const std::string& code, MenuDone done)
{
    CallError error;
    if (!reachable(m_proxy, &error)) {
        done(std::nullopt, error);
        return;
    }
    auto* call = new MenuCall{std::move(done), G_CANCELLABLE(g_object_ref(m_cancellable)),
                              quorvel_bus_quorvel1_call_dial_code_with_menus_finish};
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kDialCallTimeoutMs);
    quorvel_bus_quorvel1_call_dial_code_with_menus(m_proxy, code.c_str(), m_cancellable, menuAnswered, call);
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kCallTimeoutMs);
}

void QuorvelClient::respondMenuAsync(const std::string& choice, MenuDone done)
{
    CallError error;
    if (!reachable(m_proxy, &error)) {
        done(std::nullopt, error);
        return;
    }
    auto* call = new MenuCall{std::move(done), G_CANCELLABLE(g_object_ref(m_cancellable)),
                              quorvel_bus_quorvel1_call_respond_menu_finish};
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kDialCallTimeoutMs);
    quorvel_bus_quorvel1_call_respond_menu(m_proxy, choice.c_str(), m_cancellable, menuAnswered, call);
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kCallTimeoutMs);
}

bool QuorvelClient::cancelDial(CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GError* failure = nullptr;
    const bool done = quorvel_bus_quorvel1_call_cancel_dial_sync(m_proxy, nullptr, &failure);
    take(failure, error);
    return done;
}

std::optional<int> QuorvelClient::saveCodeWith(const std::string& code, const std::string& smsSender,
                                               int expectedNumbers, const std::vector<std::pair<int, std::string>>& fields,
                                               const std::vector<std::string>& menuChoices, CallError* error)
{
    if (menuChoices.empty())
        return saveCode(code, smsSender, expectedNumbers, fields, error);
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GVariantBuilder titled;
    g_variant_builder_init(&titled, G_VARIANT_TYPE("a(is)"));
    for (const auto& [index, title] : fields)
        g_variant_builder_add(&titled, "(is)", index, title.c_str());
    GVariantBuilder choices;
    g_variant_builder_init(&choices, G_VARIANT_TYPE_STRING_ARRAY);
    for (const std::string& choice : menuChoices)
        g_variant_builder_add(&choices, "s", choice.c_str());
    GVariantBuilder extras;
    g_variant_builder_init(&extras, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&extras, "{sv}", "menu_choices", g_variant_builder_end(&choices));
    GError* failure = nullptr;
    gint32 index = -1;
    if (!quorvel_bus_quorvel1_call_save_code_with_sync(m_proxy, code.c_str(), smsSender.c_str(), expectedNumbers,
                                                       g_variant_builder_end(&titled), g_variant_builder_end(&extras),
                                                       &index, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    return index;
}

std::optional<std::string> QuorvelClient::bindCodeToSim(int index, const std::string& code, CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    gchar* sim = nullptr;
    if (!quorvel_bus_quorvel1_call_bind_code_to_sim_sync(m_proxy, index, code.c_str(), &sim, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::string bound = sim;
    g_free(sim);
    return bound;
}

std::vector<std::string> QuorvelClient::sims() const
{
    std::vector<std::string> ids;
    if (const gchar* const* list = quorvel_bus_quorvel1_get_sims(m_proxy))
        for (; *list; ++list)
            ids.emplace_back(*list);
    return ids;
}

std::optional<std::vector<StoredCode>> QuorvelClient::codesWithExtras(CallError* error, bool* unknown)
{
    *unknown = false;
    GError* failure = nullptr;
    GVariant* list = nullptr;
    if (!quorvel_bus_quorvel1_call_get_codes_with_extras_sync(m_proxy, &list, nullptr, &failure)) {
        *unknown = g_error_matches(failure, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD);
        take(failure, error);
        return std::nullopt;
    }
    std::vector<StoredCode> codes = codesFrom(list, true);
    g_variant_unref(list);
    return codes;
}

} // namespace linuxhost
