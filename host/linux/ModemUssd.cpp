// ModemTelephony's dials and USSD sessions (see ModemTelephony.h).
#include "host/linux/ModemTelephony.h"

#include "common/QuorvelNames.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/ModemCall.h"
#include "host/linux/ReplyCost.h"
#include "host/linux/UssdString.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Device.h"

#include <cmath>
#include <cstdio>

namespace linuxhost {

namespace {

// A window longer than this is taken for a mistake: a dial never waits longer.
constexpr double kLongestReplyWindowSeconds = 600.0;
constexpr int kStateReadTimeoutMs = 5000;

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

double ModemTelephony::replyWindow() const
{
    platform::DeviceScope on(m_device);
    const platform::Dict settings = platform::readDictionary(quorvel::kSettingsStorePath);
    auto found = settings.find(quorvel::kMaxResponseTimeKey);
    if (found == settings.end())
        return kDefaultReplyWindowSeconds;
    const platform::Value& stored = found->second;
    if (!stored.isNumber())
        return kDefaultReplyWindowSeconds; // absent, or not a number: the engine logs that one
    double window = stored.doubleValue();
    if (!std::isfinite(window) || window < 0)
        return kDefaultReplyWindowSeconds;
    return std::min(window, kLongestReplyWindowSeconds);
}

void ModemTelephony::dial(platform::Process&, const std::string& number)
{
    if (!isDialableUssd(number)) {
        note("refusing to send \"" + number + "\" to the modem: only 0-9 * # + are sent");
        return;
    }
    if (m_stopped)
        return;
    if (!ready()) {
        dropDial(number);
        return;
    }
    if (m_waiting) {
        note("the dial of " + m_waiting->code + " is given up: " + number + " is dialled now");
        endWait();
    }
    m_waiting = Waiting{number, "", 0, replyWindow(), false};
    m_waiting->timer = g_timeout_add(static_cast<guint>(m_waiting->window * 1000), waitExpired, this);
    readSessionState();
}

void ModemTelephony::dropDial(const std::string& code)
{
    if (m_waiting && m_waiting->code == code)
        endWait();
    m_refreshDue = true;
    if (!m_object) {
        note("no modem: the dial of " + code + " is dropped; a refresh runs once a modem is ready");
        dialFailed(code, DialFailure::Why::noModem, "ModemManager shows no modem to dial through");
    } else {
        note("modem " + modemName() + " is not ready: the dial of " + code +
             " is dropped; a refresh runs once it is enabled");
        dialFailed(code, DialFailure::Why::modemUnavailable,
                   "modem " + modemName() + " is " + (m_condition.empty() ? "not ready" : m_condition));
    }
}

void ModemTelephony::dialFailed(const std::string& code, DialFailure::Why why, const std::string& message)
{
    if (!m_stopped && m_dialFailed)
        m_dialFailed(DialFailure{code, why, message});
}

void ModemTelephony::endWait()
{
    if (m_waiting && m_waiting->timer)
        g_source_remove(m_waiting->timer);
    m_waiting.reset();
}

gboolean ModemTelephony::waitExpired(gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    self->m_waiting->timer = 0;
    const std::string code = self->m_waiting->code;
    const std::string why = "the USSD session did not become idle within " + seconds(self->m_waiting->window) +
                            " s (the reply window)";
    note("the dial of " + code + " is given up: " + why);
    self->endWait();
    self->dialFailed(code, DialFailure::Why::sessionBusy, why);
    return G_SOURCE_REMOVE;
}

void ModemTelephony::ussdStateChanged(GObject* ussd, GParamSpec*, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    // Once idle, whatever is open next is not ours (until we initiate).
    const uint32_t state = mm_modem_3gpp_ussd_get_state(MM_MODEM_3GPP_USSD(ussd));
    if (state == MM_MODEM_3GPP_USSD_SESSION_STATE_IDLE) {
        self->m_ownSession = false;
        self->m_cancelledOnce = false;
    }
    self->settleMenu(state);
    if (self->m_waiting)
        self->readSessionState();
}

// The cached State lags behind the call that changed it: ask the service.
void ModemTelephony::readSessionState()
{
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    m_readAgain = false;
    askUssdState(kStateReadTimeoutMs, stateRead, "USSD state");
}

void ModemTelephony::askUssdState(int timeoutMs, GAsyncReadyCallback done, const char* what)
{
    g_dbus_connection_call(m_bus, MM_DBUS_SERVICE, g_dbus_proxy_get_object_path(G_DBUS_PROXY(m_ussd)),
                           "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", MM_DBUS_INTERFACE_MODEM_MODEM3GPP_USSD, "State"), G_VARIANT_TYPE("(v)"),
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, m_cancellable, done, call(what));
}

uint32_t ModemTelephony::ussdStateIn(GVariant* reply)
{
    uint32_t state = MM_MODEM_3GPP_USSD_SESSION_STATE_UNKNOWN;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        state = g_variant_get_uint32(value);
    g_variant_unref(value);
    g_variant_unref(reply);
    return state;
}

void ModemTelephony::stateRead(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!self->current(*call)) {
        if (reply)
            g_variant_unref(reply);
        if (error)
            g_error_free(error);
        return;
    }
    self->m_reading = false;
    uint32_t state = 0;
    if (reply) {
        state = ussdStateIn(reply);
    } else {
        self->logError("reading the USSD session's state", error);
        g_error_free(error);
        state = static_cast<uint32_t>(mm_modem_3gpp_ussd_get_state(self->m_ussd));
    }
    if (self->m_readAgain && state != MM_MODEM_3GPP_USSD_SESSION_STATE_IDLE) {
        self->readSessionState();
        return;
    }
    self->decide(state);
}

void ModemTelephony::decide(uint32_t state)
{
    if (!m_waiting || !ready())
        return;
    // UNKNOWN is what a disabled modem reports; on an enabled one nothing is open.
    if (state == MM_MODEM_3GPP_USSD_SESSION_STATE_IDLE || state == MM_MODEM_3GPP_USSD_SESSION_STATE_UNKNOWN) {
        m_ownSession = false;
        m_cancelledOnce = false;
        const std::string code = m_waiting->code;
        const std::string simId = m_waiting->simId;
        endWait();
        if (!simId.empty() && !holds(simId)) {
            // Swapped while the dial waited: the figures would be another SIM's.
            note("SIM " + simId + " left " + modemName() + " before " + code + " went out: it is not dialled");
            dialFailed(code, DialFailure::Why::modemUnavailable, "SIM " + simId + " is no longer in " + modemName());
            return;
        }
        initiate(code);
        return;
    }
    const std::string& code = m_waiting->code;
    bool waitsForUser = state == MM_MODEM_3GPP_USSD_SESSION_STATE_USER_RESPONSE;
    if (m_ownSession && !m_cancelledOnce && !waitsForUser) {
        // Our own request left without a reply: one Cancel, no more. A menu
        // (a reply that waits for a choice) is not cancelled: ModemManager may
        // answer a Cancel from its cache without reaching the modem, leaving
        // the menu open there while it reports idle, and the next code would
        // be typed into the menu as its answer. The network releases menus.
        m_cancelledOnce = true;
        note("the USSD session of " + m_lastCode + " is still active: cancelling it once before " + code);
        mm_modem_3gpp_ussd_cancel(m_ussd, m_cancellable, cancelled, call(code));
        return;
    }
    if (m_waiting->logged)
        return;
    m_waiting->logged = true;
    if (m_ownSession && waitsForUser)
        note("the reply to " + m_lastCode + " waits for a choice: " + code +
             " waits for the network to release the session (a menu is neither answered nor cancelled)");
    else if (m_ownSession)
        note("the USSD session of " + m_lastCode + " is still open after its Cancel: " + code +
             " waits for the network to release it");
    else
        note(std::string("a USSD session quorveld did not start is ") +
             (waitsForUser ? "waiting for the user's response" : "active") + ": " + code +
             " waits until it is idle (it is neither answered nor cancelled)");
}

void ModemTelephony::cancelled(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    if (!mm_modem_3gpp_ussd_cancel_finish(MM_MODEM_3GPP_USSD(source), result, &error)) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && self->current(*call))
            self->logError("USSD Cancel before " + call->what, error);
        g_error_free(error);
    }
    // Whatever the Cancel said, the session's state tells what comes next.
    if (self->current(*call) && self->m_waiting && self->m_waiting->code == call->what)
        self->readSessionState();
}

void ModemTelephony::initiate(const std::string& code)
{
    note("USSD Initiate " + code + " on " + modemName());
    m_ownSession = true;
    m_cancelledOnce = false;
    m_lastCode = code;
    mm_modem_3gpp_ussd_initiate(m_ussd, code.c_str(), m_cancellable, initiated, call(code));
}

void ModemTelephony::initiated(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    gchar* reply = mm_modem_3gpp_ussd_initiate_finish(MM_MODEM_3GPP_USSD(source), result, &error);
    if (!reply) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            // WrongState: another session was open, so the session is not ours.
            if (self->current(*call) && g_error_matches(error, MM_CORE_ERROR, MM_CORE_ERROR_WRONG_STATE))
                self->m_ownSession = false;
            const std::string name = errorName(error);
            if (self->current(*call))
                self->noteUssdAuthorisation(error);
            self->logError("USSD Initiate " + call->what, error);
            self->dialFailed(call->what,
                             isAuthorisationError(name) ? DialFailure::Why::notAuthorised : DialFailure::Why::failed,
                             "ModemManager: " + name + ": " + error->message);
        }
        g_error_free(error);
        return;
    }
    if (self->current(*call))
        self->noteUssdAuthorisation(nullptr);
    std::string text(reply);
    g_free(reply);
    note("USSD reply to " + call->what + ": \"" + text + "\"");
    markReplyArrival();
    self->deliverUssdText(text);
    if (self->current(*call))
        self->ownReplyHeard(text);
}

void ModemTelephony::ussdTextChanged(GObject* ussd, GParamSpec* property, gpointer data)
{
    auto* self = static_cast<ModemTelephony*>(data);
    bool request = std::string(g_param_spec_get_name(property)) == "network-request";
    const gchar* value = request ? mm_modem_3gpp_ussd_get_network_request(MM_MODEM_3GPP_USSD(ussd))
                                 : mm_modem_3gpp_ussd_get_network_notification(MM_MODEM_3GPP_USSD(ussd));
    if (!value || !*value)
        return;
    // A request during our own session is that session's menu; any other is
    // the network's, for the user to answer.
    const bool ours = request && self->m_ownSession;
    if (request && !ours)
        self->m_ownSession = false;
    note(std::string("USSD network ") + (request ? "request" : "notification") + ": \"" + value + "\"");
    self->deliverUssdText(value);
    if (ours) {
        self->m_replyToSettle.reset();
        self->m_menuOpen = true;
        note("the network request is a menu of quorveld's own session of " + self->m_lastCode);
        if (self->m_menuListener)
            self->m_menuListener(value);
        if (self->m_replySettled)
            self->m_replySettled(self->m_lastCode, value, true);
    }
}

void ModemTelephony::deliverUssdText(const std::string& text)
{
    platform::DeviceScope on(m_device);
    if (m_ussdText)
        m_ussdText(text);
    platform::Dict info{{platform::kCTUSSDSessionString, text}};
    platform::postTelephonyNotification(m_device, platform::kCTUSSDSessionStringNotification, &info);
}

} // namespace linuxhost
