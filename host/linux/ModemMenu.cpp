// ModemTelephony's menus of its own USSD sessions (see ModemTelephony.h). A
// reply does not say whether the network waits for a choice; the session's
// State does, and its cached value lags, so it is read afresh after each
// reply of ours and, when it still reads active, settled by the next change.
#include "host/linux/ModemTelephony.h"

#include "host/linux/DaemonLog.h"
#include "host/linux/MenuAlert.h"
#include "host/linux/ModemCall.h"
#include "host/linux/ReplyCost.h"

#include <memory>

namespace linuxhost {

namespace {

constexpr int kMenuStateReadTimeoutMs = 5000;

bool isAnswerText(const std::string& choice)
{
    if (choice.empty() || choice.size() > kMenuAnswerLength)
        return false;
    for (unsigned char c : choice)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}

} // namespace

void ModemTelephony::ownReplyHeard(const std::string& text)
{
    m_replyToSettle = text;
    askUssdState(kMenuStateReadTimeoutMs, menuStateRead, "menu state");
}

void ModemTelephony::menuStateRead(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && self->current(*call))
            self->logError("reading the USSD session's state after a reply", error);
        g_error_free(error);
        // The cached State settles it when it changes.
        return;
    }
    const uint32_t state = ussdStateIn(reply);
    if (self->current(*call))
        self->settleMenu(state);
}

void ModemTelephony::settleMenu(uint32_t state)
{
    if (state != MM_MODEM_3GPP_USSD_SESSION_STATE_USER_RESPONSE)
        m_menuOpen = false;
    if (!m_replyToSettle || state == MM_MODEM_3GPP_USSD_SESSION_STATE_ACTIVE)
        return;
    std::string text = std::move(*m_replyToSettle);
    m_replyToSettle.reset();
    if (state != MM_MODEM_3GPP_USSD_SESSION_STATE_USER_RESPONSE || !m_ownSession) {
        if (m_replySettled)
            m_replySettled(m_lastCode, text, false);
        return;
    }
    m_menuOpen = true;
    note("the reply to " + m_lastCode + " is a menu: it waits for a choice");
    if (m_menuListener)
        m_menuListener(text);
    if (m_replySettled)
        m_replySettled(m_lastCode, text, true);
}

bool ModemTelephony::respond(const std::string& choice)
{
    if (m_stopped)
        return false;
    if (!m_menuOpen || !m_ownSession || !m_ussd) {
        note("the answer \"" + choice + "\" finds no menu of quorveld's own open: it is not sent");
        return false;
    }
    if (!isAnswerText(choice)) {
        note("refusing to answer the menu of " + m_lastCode + " with \"" + choice +
             "\": an answer is 1 to 182 bytes without control characters");
        return false;
    }
    m_menuOpen = false;
    note("USSD Respond \"" + choice + "\" to the menu of " + m_lastCode);
    mm_modem_3gpp_ussd_respond(m_ussd, choice.c_str(), m_cancellable, responded, call(choice));
    return true;
}

void ModemTelephony::responded(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    gchar* reply = mm_modem_3gpp_ussd_respond_finish(MM_MODEM_3GPP_USSD(source), result, &error);
    if (!reply) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && self->current(*call)) {
            self->logError("USSD Respond \"" + call->what + "\"", error);
            // No reply will come: whoever waits for one hears why now.
            const std::string name = errorName(error);
            self->dialFailed(self->m_lastCode,
                             isAuthorisationError(name) ? DialFailure::Why::notAuthorised : DialFailure::Why::failed,
                             "ModemManager: " + name + ": " + error->message);
        }
        g_error_free(error);
        return;
    }
    std::string text(reply);
    g_free(reply);
    note("USSD reply to the choice \"" + call->what + "\" of " + self->m_lastCode + ": \"" + text + "\"");
    markReplyArrival();
    self->deliverUssdText(text);
    if (self->current(*call))
        self->ownReplyHeard(text);
}

} // namespace linuxhost
