#include "host/linux/ModemTelephony.h"

#include "host/linux/DaemonLog.h"
#include "host/linux/ReplyCost.h"
#include "host/linux/SmsMirror.h"
#include "host/linux/UssdString.h"
#include "platform/system/Device.h"

namespace linuxhost {

// One pending call: it outlives the service's interest in it (a cancelled
// call still completes), so it carries what its callback needs.
struct ModemTelephony::Call {
    ModemTelephony* self;
    std::string what; // "*100#", an SMS path, ...
};

// A received SMS whose parts are still arriving.
struct ModemTelephony::SmsWatch {
    ModemTelephony* self = nullptr;
    std::string path;
    MMSms* sms = nullptr;
    gulong handler = 0;
    bool mirrored = false;
};

namespace {

std::string text(const gchar* s)
{
    return s ? s : "";
}

} // namespace

ModemTelephony::ModemTelephony(platform::Device& device, GDBusConnection* systemBus, SmsMirror& mirror, std::string selector)
    : m_device(device)
    , m_bus(G_DBUS_CONNECTION(g_object_ref(systemBus)))
    , m_mirror(mirror)
    , m_selector(std::move(selector))
    , m_cancellable(g_cancellable_new())
{
}

ModemTelephony::~ModemTelephony()
{
    stop();
    detach();
    if (m_manager) {
        g_signal_handlers_disconnect_by_data(m_manager, this);
        g_object_unref(m_manager);
    }
    g_object_unref(m_cancellable);
    g_object_unref(m_bus);
}

void ModemTelephony::start()
{
    ++m_pending;
    mm_manager_new(m_bus, G_DBUS_OBJECT_MANAGER_CLIENT_FLAGS_DO_NOT_AUTO_START, m_cancellable, managerReady,
                   new Call{this, "manager"});
}

void ModemTelephony::stop()
{
    m_stopped = true;
    g_cancellable_cancel(m_cancellable);
}

void ModemTelephony::logError(const std::string& what, GError* error)
{
    gchar* name = g_dbus_error_get_remote_error(error);
    if (name)
        g_dbus_error_strip_remote_error(error);
    note(what + " failed: " + (name ? std::string(name) : std::string(g_quark_to_string(error->domain))) + ": " +
         error->message);
    g_free(name);
}

std::string ModemTelephony::modemName() const
{
    return m_object ? text(g_dbus_object_get_object_path(G_DBUS_OBJECT(m_object))) : "(none)";
}

void ModemTelephony::managerReady(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    MMManager* manager = mm_manager_new_finish(result, &error);
    if (!manager) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            self->logError("connecting to ModemManager", error);
        g_error_free(error);
        return;
    }
    self->m_manager = manager;
    g_signal_connect(manager, "object-added", G_CALLBACK(objectAdded), self);
    g_signal_connect(manager, "object-removed", G_CALLBACK(objectRemoved), self);
    gchar* owner = g_dbus_object_manager_client_get_name_owner(G_DBUS_OBJECT_MANAGER_CLIENT(manager));
    if (!owner)
        note("ModemManager is not running; waiting for a modem");
    g_free(owner);
    self->pickModem();
}

bool ModemTelephony::suits(MMObject* object) const
{
    if (!mm_object_peek_modem_3gpp_ussd(object))
        return false;
    if (m_selector.empty())
        return true;
    std::vector<std::string> names{text(g_dbus_object_get_object_path(G_DBUS_OBJECT(object)))};
    if (MMModem* modem = mm_object_peek_modem(object)) {
        names.push_back(text(mm_modem_get_equipment_identifier(modem)));
        names.push_back(text(mm_modem_get_device_identifier(modem)));
    }
    if (MMModem3gpp* modem3gpp = mm_object_peek_modem_3gpp(object))
        names.push_back(text(mm_modem_3gpp_get_imei(modem3gpp)));
    for (const std::string& name : names)
        if (name == m_selector)
            return true;
    return false;
}

void ModemTelephony::pickModem()
{
    if (m_object || !m_manager)
        return;
    GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(m_manager));
    for (GList* item = objects; item; item = item->next) {
        if (suits(MM_OBJECT(item->data))) {
            attach(MM_OBJECT(item->data));
            break;
        }
    }
    g_list_free_full(objects, g_object_unref);
    if (!m_object)
        note(m_selector.empty() ? "no modem with USSD yet" : "no modem named " + m_selector + " yet");
}

void ModemTelephony::objectAdded(GDBusObjectManager*, GDBusObject* object, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    note("modem " + text(g_dbus_object_get_object_path(object)) + " appeared");
    if (!self->m_object && self->suits(MM_OBJECT(object)))
        self->attach(MM_OBJECT(object));
}

void ModemTelephony::objectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    if (G_DBUS_OBJECT(self->m_object) != object)
        return;
    note("modem " + self->modemName() + " went away");
    self->detach();
    self->pickModem();
}

void ModemTelephony::attach(MMObject* object)
{
    m_object = MM_OBJECT(g_object_ref(object));
    m_modem = mm_object_get_modem(object);
    m_3gpp = mm_object_get_modem_3gpp(object);
    m_ussd = mm_object_get_modem_3gpp_ussd(object);
    m_messaging = mm_object_get_modem_messaging(object);
    note("using modem " + modemName() + (m_messaging ? "" : " (it has no messaging: no SMS replies)"));
    // The proxy's default timeout (25 s) is too short for a USSD network.
    g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_ussd), kUssdCallTimeoutMs);
    auto connect = [this](gpointer instance, const char* signal, GCallback callback) {
        m_handlers.emplace_back(instance, g_signal_connect(instance, signal, callback, this));
    };
    connect(m_ussd, "notify::network-notification", G_CALLBACK(ussdTextChanged));
    connect(m_ussd, "notify::network-request", G_CALLBACK(ussdTextChanged));
    if (m_messaging)
        connect(m_messaging, "added", G_CALLBACK(messageAdded));
    if (m_3gpp) {
        connect(m_3gpp, "notify::registration-state", G_CALLBACK(registrationChanged));
        connect(m_3gpp, "notify::operator-code", G_CALLBACK(registrationChanged));
    }
    if (m_modem)
        connect(m_modem, "notify::sim", G_CALLBACK(simChanged));
    readRegistration();
    readSim();
}

void ModemTelephony::detach()
{
    for (auto& [instance, handler] : m_handlers)
        g_signal_handler_disconnect(instance, handler);
    m_handlers.clear();
    for (auto& [path, watch] : m_sms)
        if (watch->sms) {
            if (watch->handler)
                g_signal_handler_disconnect(watch->sms, watch->handler);
            g_object_unref(watch->sms);
        }
    m_sms.clear();
    g_clear_object(&m_messaging);
    g_clear_object(&m_ussd);
    g_clear_object(&m_3gpp);
    g_clear_object(&m_modem);
    g_clear_object(&m_object);
}

void ModemTelephony::dial(platform::Process&, const std::string& number)
{
    if (!isDialableUssd(number)) {
        note("refusing to send \"" + number + "\" to the modem: only 0-9 * # + are sent");
        return;
    }
    if (!m_ussd || m_stopped) {
        note("no modem: the dial of " + number + " is dropped");
        return;
    }
    MMModem3gppUssdSessionState state = mm_modem_3gpp_ussd_get_state(m_ussd);
    if (state != MM_MODEM_3GPP_USSD_SESSION_STATE_IDLE) {
        note("a USSD session is " + std::string(state == MM_MODEM_3GPP_USSD_SESSION_STATE_USER_RESPONSE ? "waiting for a response" : "active") +
             ": cancelling it before " + number);
        ++m_pending;
        mm_modem_3gpp_ussd_cancel(m_ussd, m_cancellable, cancelled, new Call{this, number});
        return;
    }
    initiate(number);
}

void ModemTelephony::cancelled(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    if (!mm_modem_3gpp_ussd_cancel_finish(MM_MODEM_3GPP_USSD(source), result, &error)) {
        bool wasCancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        if (!wasCancelled)
            self->logError("USSD Cancel before " + call->what, error);
        g_error_free(error);
        if (wasCancelled)
            return;
    }
    // Once more, whatever the cancel said: a session that ended by itself
    // meanwhile makes the cancel fail but leaves the modem idle.
    if (!self->m_stopped && self->m_ussd && G_OBJECT(self->m_ussd) == source)
        self->initiate(call->what);
}

void ModemTelephony::initiate(const std::string& code)
{
    note("USSD Initiate " + code + " on " + modemName());
    ++m_pending;
    mm_modem_3gpp_ussd_initiate(m_ussd, code.c_str(), m_cancellable, initiated, new Call{this, code});
}

void ModemTelephony::initiated(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    gchar* reply = mm_modem_3gpp_ussd_initiate_finish(MM_MODEM_3GPP_USSD(source), result, &error);
    if (!reply) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            self->logError("USSD Initiate " + call->what, error);
        g_error_free(error);
        return;
    }
    std::string text(reply);
    g_free(reply);
    note("USSD reply to " + call->what + ": \"" + text + "\"");
    markReplyArrival();
    self->deliverUssdText(text);
}

void ModemTelephony::ussdTextChanged(GObject* ussd, GParamSpec* property, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    bool request = std::string(g_param_spec_get_name(property)) == "network-request";
    const gchar* value = request ? mm_modem_3gpp_ussd_get_network_request(MM_MODEM_3GPP_USSD(ussd))
                                 : mm_modem_3gpp_ussd_get_network_notification(MM_MODEM_3GPP_USSD(ussd));
    if (!value || !*value)
        return;
    note(std::string("USSD network ") + (request ? "request" : "notification") + ": \"" + value + "\"");
    self->deliverUssdText(value);
}

void ModemTelephony::deliverUssdText(const std::string& text)
{
    platform::DeviceScope on(m_device);
    platform::Dict info{{platform::kCTUSSDSessionString, text}};
    platform::postTelephonyNotification(m_device, platform::kCTUSSDSessionStringNotification, &info);
}

void ModemTelephony::registrationChanged(GObject*, GParamSpec*, gpointer data)
{
    static_cast<ModemTelephony*>(data)->readRegistration();
}

void ModemTelephony::simChanged(GObject*, GParamSpec*, gpointer data)
{
    static_cast<ModemTelephony*>(data)->readSim();
}

void ModemTelephony::readRegistration()
{
    if (!m_3gpp)
        return;
    Registration next = m_registration;
    next.state = static_cast<uint32_t>(mm_modem_3gpp_get_registration_state(m_3gpp));
    next.operatorCode = text(mm_modem_3gpp_get_operator_code(m_3gpp));
    bool changed = !m_linksApplied || next.state != m_registration.state || next.operatorCode != m_registration.operatorCode ||
                   next.homeOperator != m_registration.homeOperator;
    m_registration = next;
    if (!changed)
        return;
    platform::DeviceScope on(m_device);
    if (!applyRegistration(m_registration)) {
        note("cannot point the carrier and operator links");
        return;
    }
    m_linksApplied = true;
    note("registration " + std::to_string(m_registration.state) + " on " +
         (m_registration.operatorCode.empty() ? "(no operator)" : m_registration.operatorCode) + ", home " +
         (m_registration.homeOperator.empty() ? "(unknown)" : m_registration.homeOperator) +
         (m_registration.state == kRegistrationRoaming ? ": roaming" : ""));
}

void ModemTelephony::readSim()
{
    if (!m_modem || !mm_modem_get_sim_path(m_modem) || std::string(mm_modem_get_sim_path(m_modem)) == "/")
        return;
    ++m_pending;
    mm_modem_get_sim(m_modem, m_cancellable, simReady, new Call{this, "SIM"});
}

void ModemTelephony::simReady(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    MMSim* sim = mm_modem_get_sim_finish(MM_MODEM(source), result, &error);
    if (!sim) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            self->logError("reading the SIM", error);
        g_error_free(error);
        return;
    }
    std::string home = text(mm_sim_get_operator_identifier(sim));
    g_object_unref(sim);
    if (self->m_modem != MM_MODEM(source))
        return; // the modem went away meanwhile
    self->m_registration.homeOperator = home;
    self->m_linksApplied = false;
    self->readRegistration();
}

void ModemTelephony::messageAdded(MMModemMessaging*, const gchar* path, gboolean received, gpointer data)
{
    if (!received || !path)
        return; // one this machine sends or stores: no reply
    static_cast<ModemTelephony*>(data)->watchSms(path);
}

void ModemTelephony::watchSms(const std::string& path)
{
    if (m_sms.count(path))
        return;
    auto watch = std::make_unique<SmsWatch>();
    watch->self = this;
    watch->path = path;
    m_sms[path] = std::move(watch);
    ++m_pending;
    g_async_initable_new_async(MM_TYPE_SMS, G_PRIORITY_DEFAULT, m_cancellable, smsReady, new Call{this, path},
                               "g-flags", G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, "g-name", MM_DBUS_SERVICE,
                               "g-connection", m_bus, "g-object-path", path.c_str(), "g-interface-name",
                               MM_DBUS_INTERFACE_SMS, nullptr);
}

void ModemTelephony::smsReady(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    GObject* object = g_async_initable_new_finish(G_ASYNC_INITABLE(source), result, &error);
    if (!object) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            self->logError("reading the SMS " + call->what, error);
        g_error_free(error);
        self->m_sms.erase(call->what);
        return;
    }
    auto found = self->m_sms.find(call->what);
    if (found == self->m_sms.end()) {
        g_object_unref(object); // its modem went away meanwhile
        return;
    }
    SmsWatch& watch = *found->second;
    watch.sms = MM_SMS(object);
    watch.handler = g_signal_connect(watch.sms, "notify::state", G_CALLBACK(smsStateChanged), &watch);
    self->smsState(watch);
}

void ModemTelephony::smsStateChanged(GObject*, GParamSpec*, gpointer data)
{
    auto* watch = static_cast<SmsWatch*>(data);
    watch->self->smsState(*watch);
}

void ModemTelephony::smsState(SmsWatch& watch)
{
    // The first part of a long message is announced before the rest: only a
    // message received whole is read.
    if (watch.mirrored || mm_sms_get_state(watch.sms) != MM_SMS_STATE_RECEIVED)
        return;
    watch.mirrored = true;
    m_mirror.receive(text(mm_sms_get_number(watch.sms)), text(mm_sms_get_text(watch.sms)),
                     text(mm_sms_get_timestamp(watch.sms)));
    // Kept in the map (mirrored) so that a repeated Added for the same path is
    // not stored twice; the proxy itself is no longer needed.
    g_signal_handler_disconnect(watch.sms, watch.handler);
    watch.handler = 0;
    g_clear_object(&watch.sms);
}

} // namespace linuxhost
