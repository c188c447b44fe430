#include "host/linux/client/QuorvelClient.h"

#include "dbus/QuorvelBus.h"
#include "host/linux/client/ClientCalls.h"

#include <cstdio>

namespace linuxhost {

namespace {

GVariant* settingVariant(const SettingValue& value)
{
    if (const bool* flag = std::get_if<bool>(&value))
        return g_variant_new_boolean(*flag);
    if (const int64_t* number = std::get_if<int64_t>(&value))
        return g_variant_new_int64(*number);
    return g_variant_new_double(std::get<double>(value));
}

// Integers of any width read as int64, reals as double; anything else as false.
SettingValue settingFrom(GVariant* value)
{
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(value);
        SettingValue result = settingFrom(inner);
        g_variant_unref(inner);
        return result;
    }
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN))
        return static_cast<bool>(g_variant_get_boolean(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT64))
        return static_cast<int64_t>(g_variant_get_int64(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
        return static_cast<int64_t>(g_variant_get_int32(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        return static_cast<int64_t>(g_variant_get_uint32(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
        return g_variant_get_double(value);
    return false;
}

// An asynchronous call's completion: `done` runs with the result or the
// error, unless its cancellable was cancelled first (the client destroyed,
// or the caller's own for a connection).
template <typename Result>
struct PendingCall {
    std::function<void(Result, const CallError&)> done;
    GCancellable* cancellable;

    void finish(Result result, GError* failure)
    {
        const bool cancelled = g_cancellable_is_cancelled(cancellable);
        g_object_unref(cancellable);
        CallError error;
        take(failure, &error);
        if (!cancelled)
            done(std::move(result), error);
    }
};

} // namespace

struct QuorvelClient::Listeners {
    std::function<void(const WidgetView&)> refreshed;
    std::function<void()> codesChanged;
    std::function<void()> settingsChanged;
    std::function<void()> alertsChanged;
    std::function<void()> stateChanged;
    std::function<void(bool)> runningChanged;
};

std::unique_ptr<QuorvelClient> QuorvelClient::connect(GDBusConnection* bus, CallError* error)
{
    GError* failure = nullptr;
    QuorvelBusQuorvel1* proxy =
        bus ? quorvel_bus_quorvel1_proxy_new_sync(bus, G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, kQuorvelBusName,
                                                  kQuorvelObjectPath, nullptr, &failure)
            : quorvel_bus_quorvel1_proxy_new_for_bus_sync(G_BUS_TYPE_SESSION, G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START,
                                                          kQuorvelBusName, kQuorvelObjectPath, nullptr, &failure);
    if (!proxy) {
        take(failure, error);
        return nullptr;
    }
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(proxy), kCallTimeoutMs);
    return std::unique_ptr<QuorvelClient>(new QuorvelClient(proxy));
}

void QuorvelClient::connectAsync(GCancellable* cancellable,
                                 std::function<void(std::unique_ptr<QuorvelClient>, const CallError&)> done)
{
    auto* call = new PendingCall<std::unique_ptr<QuorvelClient>>{std::move(done), G_CANCELLABLE(g_object_ref(cancellable))};
    // The cancellable is only looked at when the proxy is made, never given
    // to GIO: the first caller's cancellable governs the making of the
    // process's shared session-bus connection, so cancelling it would fail
    // every other connection being made in this process meanwhile.
    quorvel_bus_quorvel1_proxy_new_for_bus(
        G_BUS_TYPE_SESSION, G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, kQuorvelBusName, kQuorvelObjectPath, nullptr,
        +[](GObject*, GAsyncResult* result, gpointer data) {
            std::unique_ptr<PendingCall<std::unique_ptr<QuorvelClient>>> call(
                static_cast<PendingCall<std::unique_ptr<QuorvelClient>>*>(data));
            GError* failure = nullptr;
            QuorvelBusQuorvel1* proxy = quorvel_bus_quorvel1_proxy_new_for_bus_finish(result, &failure);
            std::unique_ptr<QuorvelClient> client;
            if (proxy) {
                g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(proxy), kCallTimeoutMs);
                client.reset(new QuorvelClient(proxy));
            }
            call->finish(std::move(client), failure);
        },
        call);
}

QuorvelClient::QuorvelClient(QuorvelBusQuorvel1* proxy)
    : m_proxy(proxy), m_listeners(std::make_unique<Listeners>()), m_cancellable(g_cancellable_new())
{
    Listeners* listeners = m_listeners.get();
    g_signal_connect(m_proxy, "refreshed",
                     G_CALLBACK(+[](QuorvelBusQuorvel1*, const gchar* text, const gchar* tooltip, const gchar* cssClass,
                                    const gchar* image, gpointer data) {
                         auto* l = static_cast<Listeners*>(data);
                         if (l->refreshed)
                             l->refreshed(WidgetView{text, tooltip, cssClass, image});
                     }),
                     listeners);
    g_signal_connect(m_proxy, "codes-changed", G_CALLBACK(+[](QuorvelBusQuorvel1*, gpointer data) {
                         auto* l = static_cast<Listeners*>(data);
                         if (l->codesChanged)
                             l->codesChanged();
                     }),
                     listeners);
    g_signal_connect(m_proxy, "settings-changed", G_CALLBACK(+[](QuorvelBusQuorvel1*, gpointer data) {
                         auto* l = static_cast<Listeners*>(data);
                         if (l->settingsChanged)
                             l->settingsChanged();
                     }),
                     listeners);
    g_signal_connect(m_proxy, "alerts-changed", G_CALLBACK(+[](QuorvelBusQuorvel1*, gpointer data) {
                         auto* l = static_cast<Listeners*>(data);
                         if (l->alertsChanged)
                             l->alertsChanged();
                     }),
                     listeners);
    g_signal_connect(m_proxy, "g-properties-changed",
                     G_CALLBACK(+[](GDBusProxy*, GVariant*, const gchar* const*, gpointer data) {
                         auto* l = static_cast<Listeners*>(data);
                         if (l->stateChanged)
                             l->stateChanged();
                     }),
                     listeners);
    g_signal_connect(m_proxy, "notify::g-name-owner", G_CALLBACK(+[](GObject* proxy, GParamSpec*, gpointer data) {
                         auto* l = static_cast<Listeners*>(data);
                         gchar* owner = g_dbus_proxy_get_name_owner(G_DBUS_PROXY(proxy));
                         const bool there = owner != nullptr;
                         g_free(owner);
                         if (l->runningChanged)
                             l->runningChanged(there);
                     }),
                     listeners);
}

QuorvelClient::~QuorvelClient()
{
    g_cancellable_cancel(m_cancellable);
    g_object_unref(m_cancellable);
    g_signal_handlers_disconnect_by_data(m_proxy, m_listeners.get());
    g_object_unref(m_proxy);
}

bool QuorvelClient::running() const
{
    return reachable(m_proxy, nullptr);
}

bool QuorvelClient::refresh(CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GError* failure = nullptr;
    const bool done = quorvel_bus_quorvel1_call_refresh_sync(m_proxy, nullptr, &failure);
    take(failure, error);
    return done;
}

std::optional<WidgetView> QuorvelClient::widget(CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    gchar *text = nullptr, *tooltip = nullptr, *cssClass = nullptr, *image = nullptr;
    if (!quorvel_bus_quorvel1_call_get_widget_sync(m_proxy, &text, &tooltip, &cssClass, &image, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    WidgetView view{text, tooltip, cssClass, image};
    g_free(text);
    g_free(tooltip);
    g_free(cssClass);
    g_free(image);
    return view;
}

std::optional<std::vector<StoredCode>> QuorvelClient::codes(CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    bool unknown = false;
    if (auto codes = codesWithExtras(error, &unknown); codes || !unknown)
        return codes;
    GError* failure = nullptr;
    GVariant* list = nullptr;
    if (!quorvel_bus_quorvel1_call_get_codes_sync(m_proxy, &list, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::vector<StoredCode> codes = codesFrom(list, false);
    g_variant_unref(list);
    return codes;
}

void QuorvelClient::codesAsync(std::function<void(std::optional<std::vector<StoredCode>>, const CallError&)> done)
{
    CallError error;
    if (!reachable(m_proxy, &error)) {
        done(std::nullopt, error);
        return;
    }
    auto* call = new PendingCall<std::optional<std::vector<StoredCode>>>{std::move(done),
                                                                         G_CANCELLABLE(g_object_ref(m_cancellable))};
    quorvel_bus_quorvel1_call_get_codes(
        m_proxy, m_cancellable,
        +[](GObject* proxy, GAsyncResult* result, gpointer data) {
            std::unique_ptr<PendingCall<std::optional<std::vector<StoredCode>>>> call(
                static_cast<PendingCall<std::optional<std::vector<StoredCode>>>*>(data));
            GError* failure = nullptr;
            GVariant* list = nullptr;
            std::optional<std::vector<StoredCode>> codes;
            if (quorvel_bus_quorvel1_call_get_codes_finish(QUORVEL_BUS_QUORVEL1(proxy), &list, result, &failure)) {
                codes = codesFrom(list, false);
                g_variant_unref(list);
            }
            call->finish(std::move(codes), failure);
        },
        call);
}

void QuorvelClient::refreshAsync(std::function<void(bool, const CallError&)> done)
{
    CallError error;
    if (!reachable(m_proxy, &error)) {
        done(false, error);
        return;
    }
    auto* call = new PendingCall<bool>{std::move(done), G_CANCELLABLE(g_object_ref(m_cancellable))};
    quorvel_bus_quorvel1_call_refresh(
        m_proxy, m_cancellable,
        +[](GObject* proxy, GAsyncResult* result, gpointer data) {
            std::unique_ptr<PendingCall<bool>> call(static_cast<PendingCall<bool>*>(data));
            GError* failure = nullptr;
            const bool taken = quorvel_bus_quorvel1_call_refresh_finish(QUORVEL_BUS_QUORVEL1(proxy), result, &failure);
            call->finish(taken, failure);
        },
        call);
}

std::optional<DialReply> QuorvelClient::dial(const std::string& code, bool bySms, CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    gchar *reply = nullptr, *sender = nullptr;
    gchar** numbers = nullptr;
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kDialCallTimeoutMs);
    const bool done = quorvel_bus_quorvel1_call_dial_code_sync(m_proxy, code.c_str(), bySms, &reply, &sender, &numbers,
                                                               nullptr, &failure);
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kCallTimeoutMs);
    if (!done) {
        take(failure, error);
        return std::nullopt;
    }
    DialReply result{reply, sender, {}};
    for (gchar** n = numbers; n && *n; ++n)
        result.numbers.emplace_back(*n);
    g_free(reply);
    g_free(sender);
    g_strfreev(numbers);
    return result;
}

void QuorvelClient::dialAsync(const std::string& code, bool bySms,
                              std::function<void(std::optional<DialReply>, const CallError&)> done)
{
    CallError error;
    if (!reachable(m_proxy, &error)) {
        done(std::nullopt, error);
        return;
    }
    struct Call {
        std::function<void(std::optional<DialReply>, const CallError&)> done;
        GCancellable* cancellable;
    };
    auto* call = new Call{std::move(done), G_CANCELLABLE(g_object_ref(m_cancellable))};
    // The generated async call takes the proxy's timeout, so the dial's is set around it.
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kDialCallTimeoutMs);
    quorvel_bus_quorvel1_call_dial_code(
        m_proxy, code.c_str(), bySms, m_cancellable,
        +[](GObject* proxy, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Call> call(static_cast<Call*>(data));
            GError* failure = nullptr;
            gchar *reply = nullptr, *sender = nullptr;
            gchar** numbers = nullptr;
            const bool answered = quorvel_bus_quorvel1_call_dial_code_finish(QUORVEL_BUS_QUORVEL1(proxy), &reply, &sender,
                                                                             &numbers, result, &failure);
            const bool cancelled = g_cancellable_is_cancelled(call->cancellable);
            g_object_unref(call->cancellable);
            CallError error;
            if (!answered) {
                take(failure, &error);
                if (!cancelled)
                    call->done(std::nullopt, error);
                return;
            }
            DialReply dialled{reply, sender, {}};
            for (gchar** n = numbers; n && *n; ++n)
                dialled.numbers.emplace_back(*n);
            g_free(reply);
            g_free(sender);
            g_strfreev(numbers);
            if (!cancelled)
                call->done(std::move(dialled), error);
        },
        call);
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_proxy), kCallTimeoutMs);
}

std::optional<int> QuorvelClient::saveCode(const std::string& code, const std::string& smsSender, int expectedNumbers,
                                           const std::vector<std::pair<int, std::string>>& fields, CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(is)"));
    for (const auto& [index, title] : fields)
        g_variant_builder_add(&builder, "(is)", index, title.c_str());
    GError* failure = nullptr;
    gint32 index = -1;
    if (!quorvel_bus_quorvel1_call_save_code_sync(m_proxy, code.c_str(), smsSender.c_str(), expectedNumbers,
                                                  g_variant_builder_end(&builder), &index, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    return index;
}

bool QuorvelClient::deleteCode(int index, const std::string& code, CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GError* failure = nullptr;
    const bool done = quorvel_bus_quorvel1_call_delete_code_sync(m_proxy, index, code.c_str(), nullptr, &failure);
    take(failure, error);
    return done;
}

std::optional<std::vector<FieldAlerts>> QuorvelClient::alerts(CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    GVariant* all = nullptr;
    if (!quorvel_bus_quorvel1_call_get_alerts_sync(m_proxy, &all, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::vector<FieldAlerts> alerts;
    GVariantIter iter;
    g_variant_iter_init(&iter, all);
    const gchar* code = nullptr;
    gint32 index = 0;
    GVariant* limits = nullptr;
    while (g_variant_iter_next(&iter, "(&si@a{sv})", &code, &index, &limits)) {
        FieldAlerts field{code, index, {}};
        double amount = 0;
        gint32 hours = 0;
        if (g_variant_lookup(limits, "below", "d", &amount))
            field.limits.below = amount;
        if (g_variant_lookup(limits, "falling_per_day", "d", &amount))
            field.limits.fallingPerDay = amount;
        if (g_variant_lookup(limits, "stale_hours", "i", &hours))
            field.limits.staleHours = hours;
        g_variant_unref(limits);
        alerts.push_back(std::move(field));
    }
    g_variant_unref(all);
    return alerts;
}

bool QuorvelClient::setAlert(const std::string& code, int index, const AlertLimits& limits, CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GVariantBuilder given;
    g_variant_builder_init(&given, G_VARIANT_TYPE("a{sv}"));
    if (limits.below)
        g_variant_builder_add(&given, "{sv}", "below", g_variant_new_double(*limits.below));
    if (limits.fallingPerDay)
        g_variant_builder_add(&given, "{sv}", "falling_per_day", g_variant_new_double(*limits.fallingPerDay));
    if (limits.staleHours)
        g_variant_builder_add(&given, "{sv}", "stale_hours", g_variant_new_int32(*limits.staleHours));
    GError* failure = nullptr;
    const bool done = quorvel_bus_quorvel1_call_set_alert_sync(m_proxy, code.c_str(), index,
                                                               g_variant_builder_end(&given), nullptr, &failure);
    take(failure, error);
    return done;
}

bool QuorvelClient::removeAlert(const std::string& code, int index, CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GError* failure = nullptr;
    const bool done = quorvel_bus_quorvel1_call_remove_alert_sync(m_proxy, code.c_str(), index, nullptr, &failure);
    take(failure, error);
    return done;
}

std::optional<std::vector<HistoryPoint>> QuorvelClient::history(const std::string& code, int index, int64_t sinceMicros,
                                                                CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    GVariant* list = nullptr;
    if (!quorvel_bus_quorvel1_call_get_history_sync(m_proxy, code.c_str(), index, sinceMicros, &list, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::vector<HistoryPoint> points;
    points.reserve(g_variant_n_children(list));
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    gint64 at = 0;
    const gchar* value = nullptr;
    double number = 0;
    while (g_variant_iter_next(&iter, "(x&sd)", &at, &value, &number))
        points.push_back(HistoryPoint{at, value, number});
    g_variant_unref(list);
    return points;
}

std::optional<std::vector<HistoryPoint>> QuorvelClient::chart(const std::string& code, int index, CallError* error)
{
    const int64_t since = g_get_real_time() - int64_t(kChartDays) * 86400 * 1000000;
    return history(code, index, since, error);
}

std::optional<std::vector<FieldChange>> QuorvelClient::changes(const std::string& code, CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    GVariant* list = nullptr;
    if (!quorvel_bus_quorvel1_call_get_changes_sync(m_proxy, code.c_str(), &list, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::vector<FieldChange> changes;
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    const gchar *changed = nullptr, *title = nullptr, *value = nullptr, *previous = nullptr;
    gint32 index = 0;
    gboolean numbers = FALSE;
    double delta = 0;
    gint64 previousAt = 0, changedAt = 0;
    while (g_variant_iter_next(&iter, "(&si&s&s&sbdxx)", &changed, &index, &title, &value, &previous, &numbers, &delta,
                               &previousAt, &changedAt))
        changes.push_back(FieldChange{changed, index, title, value, previous,
                                      numbers ? std::optional<double>(delta) : std::nullopt, previousAt, changedAt});
    g_variant_unref(list);
    return changes;
}

std::optional<std::vector<Setting>> QuorvelClient::settings(CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    GVariant* all = nullptr;
    if (!quorvel_bus_quorvel1_call_get_settings_sync(m_proxy, &all, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::vector<Setting> settings;
    GVariantIter iter;
    g_variant_iter_init(&iter, all);
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
        settings.push_back(Setting{key, settingFrom(value)});
        g_variant_unref(value);
    }
    g_variant_unref(all);
    return settings;
}

std::optional<std::vector<SettingChoices>> QuorvelClient::settingChoices(CallError* error)
{
    if (!reachable(m_proxy, error))
        return std::nullopt;
    GError* failure = nullptr;
    GVariant* all = nullptr;
    if (!quorvel_bus_quorvel1_call_get_setting_choices_sync(m_proxy, &all, nullptr, &failure)) {
        take(failure, error);
        return std::nullopt;
    }
    std::vector<SettingChoices> choices;
    GVariantIter iter;
    g_variant_iter_init(&iter, all);
    const gchar *key = nullptr, *label = nullptr;
    GVariant* fallback = nullptr;
    GVariantIter *values = nullptr, *titles = nullptr;
    while (g_variant_iter_next(&iter, "(&s&svavas)", &key, &label, &fallback, &values, &titles)) {
        SettingChoices one{key, label, settingFrom(fallback), {}, {}};
        GVariant* value = nullptr;
        while (g_variant_iter_next(values, "v", &value)) {
            one.values.push_back(settingFrom(value));
            g_variant_unref(value);
        }
        const gchar* title = nullptr;
        while (g_variant_iter_next(titles, "&s", &title))
            one.titles.emplace_back(title);
        g_variant_iter_free(values);
        g_variant_iter_free(titles);
        g_variant_unref(fallback);
        choices.push_back(std::move(one));
    }
    g_variant_unref(all);
    return choices;
}

bool QuorvelClient::setSetting(const std::string& key, const SettingValue& value, CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GError* failure = nullptr;
    const bool done = quorvel_bus_quorvel1_call_set_setting_sync(m_proxy, key.c_str(),
                                                                 g_variant_new_variant(settingVariant(value)), nullptr,
                                                                 &failure);
    take(failure, error);
    return done;
}

std::string QuorvelClient::state() const
{
    const gchar* state = quorvel_bus_quorvel1_get_state(m_proxy);
    return state ? state : "";
}

bool QuorvelClient::reloadState(CallError* error)
{
    if (!reachable(m_proxy, error))
        return false;
    GError* failure = nullptr;
    GVariant* all = g_dbus_connection_call_sync(
        g_dbus_proxy_get_connection(G_DBUS_PROXY(m_proxy)), kQuorvelBusName, kQuorvelObjectPath,
        "org.freedesktop.DBus.Properties", "GetAll", g_variant_new("(s)", "org.quillmoor.Quorvel1"),
        G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &failure);
    if (!all) {
        take(failure, error);
        return false;
    }
    GVariant* properties = g_variant_get_child_value(all, 0);
    for (const char* name : {"State", "StateDetail"}) {
        GVariant* value = g_variant_lookup_value(properties, name, G_VARIANT_TYPE_STRING);
        g_dbus_proxy_set_cached_property(G_DBUS_PROXY(m_proxy), name, value);
        if (value)
            g_variant_unref(value);
    }
    g_variant_unref(properties);
    g_variant_unref(all);
    return true;
}

std::string QuorvelClient::stateDetail() const
{
    const gchar* detail = quorvel_bus_quorvel1_get_state_detail(m_proxy);
    return detail ? detail : "";
}

void QuorvelClient::onRefreshed(std::function<void(const WidgetView&)> listener) { m_listeners->refreshed = std::move(listener); }
void QuorvelClient::onCodesChanged(std::function<void()> listener) { m_listeners->codesChanged = std::move(listener); }
void QuorvelClient::onSettingsChanged(std::function<void()> listener) { m_listeners->settingsChanged = std::move(listener); }
void QuorvelClient::onAlertsChanged(std::function<void()> listener) { m_listeners->alertsChanged = std::move(listener); }
void QuorvelClient::onStateChanged(std::function<void()> listener) { m_listeners->stateChanged = std::move(listener); }
void QuorvelClient::onRunningChanged(std::function<void(bool)> listener) { m_listeners->runningChanged = std::move(listener); }

int64_t localUtcOffset(int64_t atMicros)
{
    GDateTime* local = g_date_time_new_from_unix_local(atMicros / G_TIME_SPAN_SECOND);
    if (!local)
        return 0;
    const int64_t offset = g_date_time_get_utc_offset(local) / G_TIME_SPAN_SECOND;
    g_date_time_unref(local);
    return offset;
}

std::string settingText(const SettingValue& value)
{
    if (const bool* flag = std::get_if<bool>(&value))
        return *flag ? "true" : "false";
    if (const int64_t* number = std::get_if<int64_t>(&value))
        return std::to_string(*number);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::get<double>(value));
    return text;
}

} // namespace linuxhost
