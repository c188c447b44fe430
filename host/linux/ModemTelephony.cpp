#include "host/linux/ModemTelephony.h"

#include "host/linux/DaemonLog.h"
#include "host/linux/ModemCall.h"
#include "host/linux/ModemStatus.h"
#include "host/linux/SmsMirror.h"
#include "platform/system/Device.h"

namespace linuxhost {

namespace {

// Modem/2 before Modem/10: the first modem is the lowest number, whatever the
// object manager's own order.
gint byPath(gconstpointer a, gconstpointer b)
{
    const std::string left = modemText(g_dbus_object_get_object_path(G_DBUS_OBJECT(a)));
    const std::string right = modemText(g_dbus_object_get_object_path(G_DBUS_OBJECT(b)));
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    return left.compare(right);
}

// The object manager's objects (each ref'd), sorted by path.
GList* modemsByPath(MMManager* manager)
{
    return g_list_sort(g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager)), byPath);
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
    dropManager();
    g_object_unref(m_cancellable);
    g_object_unref(m_bus);
}

ModemTelephony::Call* ModemTelephony::call(std::string what)
{
    ++m_pending;
    return new Call{this, std::move(what), m_generation};
}

bool ModemTelephony::current(const Call& call) const
{
    return !m_stopped && call.generation == m_generation;
}

void ModemTelephony::start()
{
    m_mirror.load();
    m_watch = g_bus_watch_name_on_connection(m_bus, MM_DBUS_SERVICE, G_BUS_NAME_WATCHER_FLAGS_NONE, serviceAppeared,
                                             serviceVanished, this, nullptr);
}

void ModemTelephony::follow(MMManager* manager)
{
    m_follower = true;
    useManager(MM_MANAGER(g_object_ref(manager)));
}

void ModemTelephony::retire()
{
    detach();
    stop();
    dropManager();
}

void ModemTelephony::stop()
{
    m_stopped = true;
    endWait();
    if (m_watch) {
        g_bus_unwatch_name(m_watch);
        m_watch = 0;
    }
    g_cancellable_cancel(m_cancellable);
}

std::string ModemTelephony::errorName(const GError* error)
{
    if (gchar* remote = g_dbus_error_get_remote_error(error)) {
        std::string name(remote);
        g_free(remote);
        return name;
    }
    gchar* encoded = g_dbus_error_encode_gerror(error);
    std::string name(encoded);
    g_free(encoded);
    // Errors of no registered domain encode as org.gtk.GDBus.UnmappedGError.Quark...
    if (name.rfind("org.gtk.GDBus.UnmappedGError", 0) == 0)
        return g_quark_to_string(error->domain);
    return name;
}

void ModemTelephony::logError(const std::string& what, GError* error)
{
    std::string name = errorName(error);
    g_dbus_error_strip_remote_error(error);
    note(what + " failed: " + name + ": " + error->message);
}

std::string ModemTelephony::modemName() const
{
    return m_object ? modemText(g_dbus_object_get_object_path(G_DBUS_OBJECT(m_object))) : "(none)";
}

// --- the service -------------------------------------------------------------

void ModemTelephony::serviceAppeared(GDBusConnection*, const gchar*, const gchar* owner, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    note(std::string(self->m_serviceSeen ? "ModemManager is back" : "ModemManager is running") + " (" + modemText(owner) +
         "): connecting to it");
    self->m_serviceSeen = true;
    self->detach();
    self->dropManager();
    mm_manager_new(self->m_bus, G_DBUS_OBJECT_MANAGER_CLIENT_FLAGS_DO_NOT_AUTO_START, self->m_cancellable, managerReady,
                   self->call("manager"));
}

void ModemTelephony::serviceVanished(GDBusConnection*, const gchar*, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    if (self->m_serviceSeen)
        note("ModemManager stopped: waiting for it to come back");
    else
        note("ModemManager is not running; waiting for a modem");
    self->m_serviceSeen = true;
    self->detach();
    self->dropManager();
    self->m_condition.clear();
    self->statusChanged();
    self->modemsChanged();
}

void ModemTelephony::dropManager()
{
    // Calls made for the old client are stale from here on.
    ++m_generation;
    if (!m_manager)
        return;
    for (gulong handler : m_managerHandlers)
        g_signal_handler_disconnect(m_manager, handler);
    m_managerHandlers.clear();
    g_clear_object(&m_manager);
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
    if (!self->current(*call) || self->m_manager) {
        g_object_unref(manager); // the service went away (or came back) meanwhile
        return;
    }
    self->useManager(manager);
    self->modemsChanged();
}

void ModemTelephony::useManager(MMManager* manager)
{
    m_manager = manager;
    auto connect = [this](const char* signal, GCallback callback) {
        m_managerHandlers.push_back(g_signal_connect(m_manager, signal, callback, this));
    };
    connect("object-added", G_CALLBACK(objectAdded));
    connect("object-removed", G_CALLBACK(objectRemoved));
    connect("interface-added", G_CALLBACK(interfacesChanged));
    connect("interface-removed", G_CALLBACK(interfacesChanged));
    pickModem();
}

void ModemTelephony::modemsChanged()
{
    if (!m_stopped && m_modemsChanged)
        m_modemsChanged();
}

std::string ModemTelephony::modemPath() const
{
    return m_object ? modemText(g_dbus_object_get_object_path(G_DBUS_OBJECT(m_object))) : "";
}

std::vector<std::string> ModemTelephony::modemPaths() const
{
    std::vector<std::string> paths;
    if (!m_manager)
        return paths;
    GList* objects = modemsByPath(m_manager);
    for (GList* item = objects; item; item = item->next)
        if (matches(MM_OBJECT(item->data)))
            paths.push_back(modemText(g_dbus_object_get_object_path(G_DBUS_OBJECT(item->data))));
    g_list_free_full(objects, g_object_unref);
    return paths;
}

// --- the modem ---------------------------------------------------------------

bool ModemTelephony::matches(MMObject* object) const
{
    MMModem* modem = mm_object_peek_modem(object);
    if (!modem)
        return false;
    if (m_selector.empty())
        return true;
    std::vector<std::string> names{modemText(g_dbus_object_get_object_path(G_DBUS_OBJECT(object))),
                                   modemText(mm_modem_get_equipment_identifier(modem)),
                                   modemText(mm_modem_get_device_identifier(modem))};
    if (MMModem3gpp* modem3gpp = mm_object_peek_modem_3gpp(object))
        names.push_back(modemText(mm_modem_3gpp_get_imei(modem3gpp)));
    for (const std::string& name : names)
        if (name == m_selector)
            return true;
    return false;
}

bool ModemTelephony::suits(MMObject* object) const
{
    return matches(object) && mm_object_peek_modem_3gpp_ussd(object);
}

void ModemTelephony::pickModem()
{
    if (m_object || !m_manager)
        return;
    GList* objects = modemsByPath(m_manager);
    MMObject* chosen = nullptr;
    for (GList* item = objects; item && !chosen; item = item->next)
        if (suits(MM_OBJECT(item->data)))
            chosen = MM_OBJECT(item->data);
    // One without USSD yet (SIM-locked, say): followed until its interfaces come.
    for (GList* item = objects; item && !chosen; item = item->next)
        if (matches(MM_OBJECT(item->data)))
            chosen = MM_OBJECT(item->data);
    if (chosen)
        attach(chosen);
    g_list_free_full(objects, g_object_unref);
    if (!m_object)
        note(m_selector.empty() ? "no modem with USSD yet" : "no modem named " + m_selector + " yet");
}

void ModemTelephony::objectAdded(GDBusObjectManager*, GDBusObject* object, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    if (!self->m_follower) // told once, by the default client
        note("modem " + modemText(g_dbus_object_get_object_path(object)) + " appeared");
    if (!self->m_ussd && self->suits(MM_OBJECT(object))) {
        self->detach();
        self->attach(MM_OBJECT(object));
    } else if (!self->m_object && self->matches(MM_OBJECT(object))) {
        self->attach(MM_OBJECT(object));
    }
    self->modemsChanged();
}

void ModemTelephony::objectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    if (G_DBUS_OBJECT(self->m_object) == object) {
        note("modem " + self->modemName() + " went away");
        self->detach();
        self->m_condition.clear();
        self->pickModem();
        self->statusChanged();
    }
    self->modemsChanged();
}

void ModemTelephony::interfacesChanged(GDBusObjectManager*, GDBusObject* object, GDBusInterface*, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    // Our modem gained or lost an interface (USSD comes once the SIM is
    // unlocked), or another one now has USSD while ours has none.
    bool ours = G_DBUS_OBJECT(self->m_object) == object;
    if (ours || (!self->m_ussd && self->suits(MM_OBJECT(object)))) {
        MMObject* target = MM_OBJECT(g_object_ref(object));
        self->detach();
        if (self->matches(target))
            self->attach(target);
        else
            self->pickModem();
        g_object_unref(target);
        self->statusChanged();
    }
    self->modemsChanged();
}

void ModemTelephony::attach(MMObject* object)
{
    m_object = MM_OBJECT(g_object_ref(object));
    m_modem = mm_object_get_modem(object);
    m_3gpp = mm_object_get_modem_3gpp(object);
    m_ussd = mm_object_get_modem_3gpp_ussd(object);
    m_messaging = mm_object_get_modem_messaging(object);
    std::string lacks = !m_ussd ? " (no USSD yet)" : !m_messaging ? " (it has no messaging: no SMS replies)" : "";
    note("using modem " + modemName() + lacks);
    auto connect = [this](gpointer instance, const char* signal, GCallback callback) {
        m_handlers.emplace_back(instance, g_signal_connect(instance, signal, callback, this));
    };
    if (m_ussd) {
        // The proxy's default timeout (25 s) is too short for a USSD network.
        g_dbus_proxy_set_default_timeout(G_DBUS_PROXY(m_ussd), kUssdCallTimeoutMs);
        connect(m_ussd, "notify::network-notification", G_CALLBACK(ussdTextChanged));
        connect(m_ussd, "notify::network-request", G_CALLBACK(ussdTextChanged));
        connect(m_ussd, "notify::state", G_CALLBACK(ussdStateChanged));
    }
    if (m_messaging)
        connect(m_messaging, "added", G_CALLBACK(messageAdded));
    if (m_3gpp) {
        connect(m_3gpp, "notify::registration-state", G_CALLBACK(registrationChanged));
        connect(m_3gpp, "notify::operator-code", G_CALLBACK(registrationChanged));
    }
    connect(m_modem, "notify::sim", G_CALLBACK(simChanged));
    connect(m_modem, "notify::state", G_CALLBACK(modemStateChanged));
    connect(m_modem, "notify::unlock-required", G_CALLBACK(modemStateChanged));
    readRegistration();
    readSim();
    listMessages();
    reportCondition();
}

void ModemTelephony::detach()
{
    if (m_waiting)
        dropDial(m_waiting->code);
    ++m_generation;
    for (auto& [instance, handler] : m_handlers)
        g_signal_handler_disconnect(instance, handler);
    m_handlers.clear();
    forgetSms();
    m_ownSession = false;
    m_cancelledOnce = false;
    m_reading = false;
    m_readAgain = false;
    g_clear_object(&m_messaging);
    g_clear_object(&m_ussd);
    g_clear_object(&m_3gpp);
    g_clear_object(&m_modem);
    g_clear_object(&m_object);
    // The modem's SIM went with it: what is shown of codes bound to it is drawn again.
    const bool hadSim = m_sim.has_value();
    m_sim.reset();
    if (hadSim && m_simChanged)
        m_simChanged();
}

bool ModemTelephony::ready() const
{
    return m_ussd && m_modem && mm_modem_get_state(m_modem) >= MM_MODEM_STATE_ENABLED;
}

void ModemTelephony::modemStateChanged(GObject*, GParamSpec*, gpointer data)
{
    static_cast<ModemTelephony*>(data)->reportCondition();
}

void ModemTelephony::reportCondition()
{
    if (!m_modem || m_stopped)
        return;
    std::string name = modemName();
    const ModemCondition condition =
        modemCondition(mm_modem_get_state(m_modem), mm_modem_get_unlock_required(m_modem), m_ussd != nullptr, name);
    m_unavailable = condition.detail;
    statusChanged();
    if (condition.text == m_condition)
        return;
    m_condition = condition.text;
    if (!condition.detail.empty()) {
        note("modem " + name + " is " + condition.text + ": " + condition.advice);
        if (m_waiting)
            dropDial(m_waiting->code);
        return;
    }
    note("modem " + name + " is enabled: dials go out");
    if (m_refreshDue && m_refresh) {
        m_refreshDue = false;
        note("a refresh was due while no modem was ready: refreshing now");
        m_refresh();
    }
}

ModemStatus ModemTelephony::status() const
{
    if (!m_object)
        return {kStateNoModem, ""};
    if (!m_unavailable.empty())
        return {kStateModemUnavailable, m_unavailable};
    if (m_ussdRefused)
        return {kStateNotAuthorised, kRefusedUssd};
    return {kStateIdle, ""};
}

void ModemTelephony::statusChanged()
{
    if (!m_stopped && m_statusChanged)
        m_statusChanged();
}

void ModemTelephony::noteUssdAuthorisation(const GError* error)
{
    if (error && !isAuthorisationError(errorName(error)))
        return; // another error says nothing of polkit's answer
    const bool refused = error != nullptr;
    if (refused == m_ussdRefused)
        return; // told once
    m_ussdRefused = refused;
    if (refused)
        note("ModemManager refuses quorveld's USSD calls: polkit does not authorise this user here (run quorveld in "
             "the phone's active graphical session, or allow org.freedesktop.ModemManager1.USSD with a polkit rule)");
    else
        note("ModemManager takes quorveld's USSD calls again");
    statusChanged();
}

} // namespace linuxhost
