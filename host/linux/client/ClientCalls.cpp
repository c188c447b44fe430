#include "host/linux/client/ClientCalls.h"

#include "dbus/QuorvelBus.h"

namespace linuxhost {

void take(GError* failure, CallError* error)
{
    if (!failure)
        return;
    if (error) {
        gchar* name = g_dbus_error_get_remote_error(failure);
        error->name = name ? name : "";
        g_free(name);
        if (g_dbus_error_is_remote_error(failure))
            g_dbus_error_strip_remote_error(failure);
        error->message = failure->message;
    }
    g_error_free(failure);
}

bool reachable(QuorvelBusQuorvel1* proxy, CallError* error)
{
    gchar* owner = g_dbus_proxy_get_name_owner(G_DBUS_PROXY(proxy));
    const bool there = owner != nullptr;
    g_free(owner);
    if (!there && error) {
        error->name = "org.freedesktop.DBus.Error.ServiceUnknown";
        error->message = "quorveld is not running on this session";
    }
    return there;
}

namespace {

void readExtras(GVariant* extras, StoredCode& stored)
{
    const gchar* simId = nullptr;
    if (g_variant_lookup(extras, "sim_id", "&s", &simId))
        stored.simId = simId;
    gboolean simIn = TRUE;
    if (g_variant_lookup(extras, "sim_in", "b", &simIn))
        stored.simIn = simIn;
    const gchar** choices = nullptr;
    if (g_variant_lookup(extras, "menu_choices", "^a&s", &choices)) {
        for (const gchar** c = choices; c && *c; ++c)
            stored.menuChoices.emplace_back(*c);
        g_free(choices);
    }
}

} // namespace

std::vector<StoredCode> codesFrom(GVariant* list, bool withExtras)
{
    std::vector<StoredCode> codes;
    GVariantIter codeIter;
    g_variant_iter_init(&codeIter, list);
    const gchar *code = nullptr, *sender = nullptr, *reply = nullptr;
    gint32 expected = 0;
    gint64 refreshed = 0;
    GVariantIter* fields = nullptr;
    GVariant* extras = nullptr;
    // The format names one more pointer than GetCodes' tuples fill: never read without extras.
    const char* format = withExtras ? "(&s&six&sa(iss)@a{sv})" : "(&s&six&sa(iss))";
    while (g_variant_iter_next(&codeIter, format, &code, &sender, &expected, &refreshed, &reply, &fields, &extras)) {
        StoredCode stored{code, sender, expected, refreshed, reply, {}};
        gint32 index = 0;
        const gchar *title = nullptr, *value = nullptr;
        while (g_variant_iter_next(fields, "(i&s&s)", &index, &title, &value))
            stored.fields.push_back(CodeField{index, title, value});
        g_variant_iter_free(fields);
        if (withExtras) {
            readExtras(extras, stored);
            g_variant_unref(extras);
        }
        codes.push_back(std::move(stored));
    }
    return codes;
}

} // namespace linuxhost
