// DialCode of org.quillmoor.Quorvel1, and the daemon's State: a client dials a
// code now, as the Settings wizard does when the user taps "Next", and gets
// the reply text and the numbers found in it.
//
// The dial runs in a process of its own on the daemon's device ("QuorvelApp"),
// doing exactly what the wizard does in the Settings process: it tells the
// engine (Darwin org.quillmoor.harrowin.ussd_sent, and for an SMS reply
// org.quillmoor.quorvel.expectSMSReply first) so that the engine hides the
// carrier's pop-up and does not take the reply as its own, then CTCallDial.
// A USSD reply is the next kCTUSSDSessionStringNotification; an SMS reply is
// the engine's hand-off (org.quillmoor.quorvel.SMSReplyStored and the hand-off
// file), its SMSReplyError.N ending the dial with Failed.
//
// One dial at a time: a second DialCode while one runs is refused with Busy
// (a modem holds one USSD session; queueing would only make the second wait
// on a reply that may be the first's). With no modem it is refused with
// NoModem, with one locked, disabled or failed with ModemUnavailable. A dial
// the modem client could not make ends at once: NotAuthorised when polkit
// refused it, ModemUnavailable or NoModem when the modem went, Failed with
// ModemManager's error. A USSD reply is awaited kUssdWaitSeconds; an SMS the
// engine's SMS wait (maxSMSResponseTime, at most 300 s) and kSmsMarginSeconds
// more; then Timeout. Every reply is remembered as the code's last reply
// (LastReplies).
//
// State: "dialling" / "waiting-for-sms" (StateDetail: the code) while a dial
// runs, else what the modem client tells (ModemStatus.h): "no-modem",
// "modem-unavailable", "not-authorised" or "idle". Set on every change the
// modem client reports, never polled.
//
// Menus (DialMenus.cpp): DialCodeWithMenus dials as DialCode does, but waits
// until the modem client has told the reply apart (onReplySettled): a menu
// is then held for the caller alone (its unique bus name) until its
// RespondMenu, its CancelDial, its leaving the bus or kMenuHoldSeconds; the
// final reply ends the dial as DialCode's does. While a menu is held, other
// dials get Busy. Nothing is ever sent to cancel a menu at the modem: the
// network releases it (see ModemTelephony.h).
//
// Single-threaded: the daemon's main loop.
#pragma once

#include "dbus/QuorvelBus.h"
#include "platform/foundation/Value.h"
#include "platform/notify/NotificationCenter.h"

#include <memory>
#include <string>

namespace platform {
class Device;
class Process;
}

namespace host { class LastReplies; }

namespace linuxhost {

using host::LastReplies;
class ModemPool;
struct DialFailure;

class DialService {
public:
    static constexpr guint kUssdWaitSeconds = 30;
    static constexpr guint kSmsMarginSeconds = 10;
    static constexpr double kLongestSmsWait = 300;

    // `modem` may be null (no system bus): no modem, ever. It must outlive the service.
    DialService(platform::Device& device, QuorvelBusQuorvel1* skeleton, LastReplies& replies, ModemPool* modem);
    ~DialService();
    DialService(const DialService&) = delete;
    DialService& operator=(const DialService&) = delete;

    // The modem client ended a dial without a reply (ModemPool::onDialFailed):
    // the client's dial of that code ends now, with the reason.
    void modemFailed(const DialFailure& failure);
    // Whether a client's menu dial is under way: its menus are the client's
    // to answer, never presented to the engine (whose queue may still hold
    // choices of a path of its own that broke off).
    bool clientAnswersMenus() const { return m_menus; }
    // A reply of the modem's own session, told apart (ModemPool::onReplySettled).
    void replySettled(const std::string& code, const std::string& text, bool menu);

    // How long a menu is held for its client without an answer.
    static constexpr guint kMenuHoldSeconds = 120;

private:
    static gboolean handleDialCode(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, gboolean bySms,
                                   gpointer self);
    static void ussdReply(platform::CFNotificationCenterRef, void* observer, const std::string&, const void*,
                          const platform::Dict* userInfo);
    static void smsReply(platform::CFNotificationCenterRef, void* observer, const std::string& name, const void*,
                         const platform::Dict*);
    static gboolean timedOut(gpointer self);
    // DialMenus.cpp
    static gboolean handleDialCodeWithMenus(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, gpointer self);
    static gboolean handleRespondMenu(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* choice, gpointer self);
    static gboolean handleCancelDial(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean holdExpired(gpointer self);
    static void ownerVanished(GDBusConnection*, const gchar* name, gpointer self);
    // Why a new dial cannot start now (Busy, NoModem, ModemUnavailable); refused on `invocation`.
    bool refusedToStart(GDBusMethodInvocation* invocation);
    // Starts the dial's wait and the wizard's steps for `code` (the USSD reply's observer when !menus).
    void startDial(GDBusMethodInvocation* invocation, const std::string& code, bool bySms, bool menus);
    void holdMenu();
    // Ends a menu dial: the hold, the owner's watch.
    void releaseMenu(const std::string& why);
    void connectMenuMethods();

    void finish(const std::string& reply, const std::string& sender);
    void fail(const char* error, const std::string& message);
    void stopListening();
    void updateState();
    double smsWaitSeconds() const;

    platform::Device& m_device;
    QuorvelBusQuorvel1* m_skeleton;
    LastReplies& m_replies;
    ModemPool* m_modem;
    std::unique_ptr<platform::Process> m_process;
    GDBusMethodInvocation* m_pending = nullptr;
    std::string m_code;
    bool m_bySms = false;
    guint m_timer = 0;
    // A dial made by DialCodeWithMenus: its replies come through replySettled.
    bool m_menus = false;
    // The client that made it (unique name), and its menu held for it.
    std::string m_owner;
    guint m_ownerWatch = 0;
    bool m_menuHeld = false;
    guint m_holdTimer = 0;
    size_t m_choicesSent = 0;
};

} // namespace linuxhost
