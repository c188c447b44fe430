// DialService's menus: DialCodeWithMenus, RespondMenu and CancelDial (see
// DialService.h). The modem client tells a menu from a final reply; this
// side keeps the menu for the client that dialled it, and for no one else.
#include "host/linux/DialService.h"

#include "common/NumberExtraction.h"
#include "host/common/replies/LastReplies.h"
#include "host/linux/BusArguments.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/ModemPool.h"
#include "host/linux/client/MenuChoiceRules.h"
#include "platform/system/Device.h"

#include <utility>
#include <vector>

namespace linuxhost {

void DialService::connectMenuMethods()
{
    g_signal_connect(m_skeleton, "handle-dial-code-with-menus", G_CALLBACK(handleDialCodeWithMenus), this);
    g_signal_connect(m_skeleton, "handle-respond-menu", G_CALLBACK(handleRespondMenu), this);
    g_signal_connect(m_skeleton, "handle-cancel-dial", G_CALLBACK(handleCancelDial), this);
}

gboolean DialService::handleDialCodeWithMenus(QuorvelBusQuorvel1*, GDBusMethodInvocation* invocation, const gchar* code,
                                              gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    if (self->refusedToStart(invocation))
        return TRUE;
    const gchar* sender = g_dbus_method_invocation_get_sender(invocation);
    self->m_owner = sender ? sender : "";
    self->m_choicesSent = 0;
    // The menu is the caller's alone: once it leaves the bus, it is let go.
    if (!self->m_owner.empty())
        self->m_ownerWatch = g_bus_watch_name_on_connection(g_dbus_method_invocation_get_connection(invocation),
                                                            self->m_owner.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                            nullptr, ownerVanished, self, nullptr);
    self->startDial(invocation, code, false, true);
    return TRUE;
}

gboolean DialService::handleRespondMenu(QuorvelBusQuorvel1*, GDBusMethodInvocation* invocation, const gchar* choice,
                                        gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    const gchar* sender = g_dbus_method_invocation_get_sender(invocation);
    if (!self->m_menuHeld || self->m_owner != (sender ? sender : ""))
        return refuse(invocation, kNotFound, "no menu is held open for this client");
    if (auto problem = menuChoiceProblem(choice))
        return refuse(invocation, kInvalidArgument, *problem);
    if (self->m_choicesSent >= kMaxMenuPathChoices) {
        self->releaseMenu("its path has " + std::to_string(kMaxMenuPathChoices) + " choices already");
        self->updateState();
        return refuse(invocation, kInvalidArgument,
                      "a menu path has at most " + std::to_string(kMaxMenuPathChoices) + " choices; the menu is let go");
    }
    if (!self->m_modem || !self->m_modem->respond(choice)) {
        self->releaseMenu("the network no longer holds it open");
        self->updateState();
        return refuse(invocation, kFailed, "the menu of " + self->m_code + " is no longer open (the network released it)");
    }
    ++self->m_choicesSent;
    self->m_menuHeld = false;
    if (self->m_holdTimer)
        g_source_remove(self->m_holdTimer);
    self->m_holdTimer = 0;
    self->m_pending = invocation;
    self->m_timer = g_timeout_add_seconds(kUssdWaitSeconds, timedOut, self);
    self->updateState();
    return TRUE;
}

gboolean DialService::handleCancelDial(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    const gchar* sender = g_dbus_method_invocation_get_sender(invocation);
    const bool own = !self->m_owner.empty() && self->m_owner == (sender ? sender : "");
    if (!own || (!self->m_pending && !self->m_menuHeld))
        return refuse(invocation, kNotFound, "this client has no dial under way");
    note("the client let the dial of " + self->m_code + " go");
    if (self->m_pending)
        self->fail(kFailed, "the dial of " + self->m_code + " was cancelled by its client");
    else
        self->releaseMenu("its client let it go");
    self->updateState();
    quorvel_bus_quorvel1_complete_cancel_dial(skeleton, invocation);
    return TRUE;
}

void DialService::replySettled(const std::string& code, const std::string& text, bool menu)
{
    if (!m_pending || !m_menus || code != m_code)
        return; // the engine's own session, or another dial's
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    // A menu's item numbers are no figures: only a final reply's are offered.
    const std::vector<std::string> numbers = menu ? std::vector<std::string>{} : quorvel::extractNumbers(valid);
    std::vector<const gchar*> list;
    for (const std::string& n : numbers)
        list.push_back(n.c_str());
    list.push_back(nullptr);
    GDBusMethodInvocation* invocation = std::exchange(m_pending, nullptr);
    if (m_timer)
        g_source_remove(m_timer);
    m_timer = 0;
    if (menu) {
        note("the menu of " + m_code + " went to the client: it is held " + std::to_string(kMenuHoldSeconds) +
             " s for the client's choice");
        holdMenu();
    } else {
        {
            platform::DeviceScope on(m_device);
            m_replies.remember(m_code, valid, m_device.now());
        }
        note("the reply to " + m_code + " after " + std::to_string(m_choicesSent) + " menu choice" +
             (m_choicesSent == 1 ? "" : "s") + " went to the client: " + std::to_string(numbers.size()) + " number" +
             (numbers.size() == 1 ? "" : "s"));
        stopListening();
        releaseMenu("");
    }
    // Completed by the method that made the call (DialCodeWithMenus or RespondMenu): same reply type.
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(s^asb)", valid, list.data(), menu));
    g_free(valid);
    updateState();
}

void DialService::holdMenu()
{
    m_menuHeld = true;
    m_holdTimer = g_timeout_add_seconds(kMenuHoldSeconds, holdExpired, this);
}

gboolean DialService::holdExpired(gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    self->m_holdTimer = 0;
    self->releaseMenu("no choice came within " + std::to_string(kMenuHoldSeconds) + " s");
    self->updateState();
    return G_SOURCE_REMOVE;
}

void DialService::ownerVanished(GDBusConnection*, const gchar*, gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    // Nobody to answer: the reply is not waited for.
    if (self->m_pending && self->m_menus)
        self->fail(kFailed, "its client left the bus");
    else
        self->releaseMenu("its client left the bus");
    self->updateState();
}

void DialService::releaseMenu(const std::string& why)
{
    if (m_menuHeld && !why.empty())
        note("the menu of " + m_code + " is let go: " + why + " (the network releases the session)");
    m_menuHeld = false;
    m_menus = false;
    if (m_holdTimer)
        g_source_remove(m_holdTimer);
    m_holdTimer = 0;
    if (m_ownerWatch)
        g_bus_unwatch_name(m_ownerWatch);
    m_ownerWatch = 0;
    m_owner.clear();
    m_choicesSent = 0;
}

} // namespace linuxhost
