// ModemTelephony's received messages (see ModemTelephony.h).
#include "host/linux/ModemTelephony.h"

#include "host/linux/DaemonLog.h"
#include "host/linux/ModemCall.h"
#include "host/linux/SmsMirror.h"

namespace linuxhost {

void ModemTelephony::messageAdded(MMModemMessaging*, const gchar* path, gboolean received, gpointer data)
{
    if (!received || !path)
        return; // one this machine sends or stores: no reply
    static_cast<ModemTelephony*>(data)->watchSms(path);
}

void ModemTelephony::listMessages()
{
    if (m_messaging)
        mm_modem_messaging_list(m_messaging, m_cancellable, messagesListed, call("messages"));
}

void ModemTelephony::messagesListed(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    GList* messages = mm_modem_messaging_list_finish(MM_MODEM_MESSAGING(source), result, &error);
    if (error) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && self->current(*call))
            self->logError("listing the modem's messages", error);
        g_error_free(error);
        return;
    }
    for (GList* item = messages; item && self->current(*call); item = item->next) {
        MMSms* sms = MM_SMS(item->data);
        MMSmsState state = mm_sms_get_state(sms);
        if (state == MM_SMS_STATE_RECEIVED || state == MM_SMS_STATE_RECEIVING)
            self->watchSms(modemText(mm_sms_get_path(sms)));
    }
    g_list_free_full(messages, g_object_unref);
}

void ModemTelephony::watchSms(const std::string& path)
{
    if (m_sms.count(path))
        return;
    auto watch = std::make_unique<SmsWatch>();
    watch->self = this;
    watch->path = path;
    m_sms[path] = std::move(watch);
    g_async_initable_new_async(MM_TYPE_SMS, G_PRIORITY_DEFAULT, m_cancellable, smsReady, call(path), "g-flags",
                               G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, "g-name", MM_DBUS_SERVICE, "g-connection", m_bus,
                               "g-object-path", path.c_str(), "g-interface-name", MM_DBUS_INTERFACE_SMS, nullptr);
}

void ModemTelephony::smsReady(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    GObject* object = g_async_initable_new_finish(G_ASYNC_INITABLE(source), result, &error);
    if (!object) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && self->current(*call)) {
            self->logError("reading the SMS " + call->what, error);
            self->m_sms.erase(call->what);
        }
        g_error_free(error);
        return;
    }
    auto found = self->m_sms.find(call->what);
    if (!self->current(*call) || found == self->m_sms.end()) {
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
    m_mirror.mirrorOnce(modemText(mm_sms_get_number(watch.sms)), modemText(mm_sms_get_text(watch.sms)),
                        modemText(mm_sms_get_timestamp(watch.sms)));
    // Kept in the map (mirrored) so that a repeated Added for the same path
    // costs no read; the proxy itself is no longer needed.
    g_signal_handler_disconnect(watch.sms, watch.handler);
    watch.handler = 0;
    g_clear_object(&watch.sms);
}

void ModemTelephony::forgetSms()
{
    for (auto& [path, watch] : m_sms)
        if (watch->sms) {
            if (watch->handler)
                g_signal_handler_disconnect(watch->sms, watch->handler);
            g_object_unref(watch->sms);
        }
    m_sms.clear();
}

} // namespace linuxhost
