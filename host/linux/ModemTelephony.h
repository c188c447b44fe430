// The client of one modem: ModemManager on the system bus, through libmm-glib
// on GLib's main loop. ModemPool (ModemPool.h) holds one per modem and is the
// telephony service behind CTCallDial.
//
//   ModemTelephony modems(device, systemBus, mirror, "");   // "" = first with USSD
//   device.telephony = &modems;
//   modems.onRefreshDue([&home] { home.refresh(); });
//   modems.start();                 // follows the service, finds modems through its object manager
//   ...                             // CTCallDial("*100#") -> Ussd.Initiate("*100#")
//   modems.stop();                  // cancels every pending call
//
// The service: its name's owner is followed, and the client (the object
// manager and every proxy) is built afresh each time ModemManager starts, so
// a daemon started before ModemManager, or one that outlives its restart,
// reaches the new instance.
//
// The modem (ModemTelephony.cpp) is the first one with Modem3gpp.Ussd (by
// object path), or the one `selector` names (object path, IMEI, equipment or device identifier);
// without one with USSD, the first with a Modem interface is followed so that
// its state can be told (a SIM-locked modem is exported with that interface
// only; the others arrive later, and interfaces added and removed are
// followed). A locked, disabled or failed modem is logged once with what the
// user can do; the daemon never unlocks nor enables it. A dial made while no
// modem is ready is dropped (logged) and one refresh is asked for once one is.
//
// USSD sessions (ModemUssd.cpp): a dial reads the session's state afresh (the
// cached property lags: ModemManager answers Initiate before it announces the
// session idle). An idle session gets the code at once. A session the daemon
// did not start (a network request waiting for the user, another program's
// menu) is never cancelled nor answered: the dial waits until it is idle and
// is given up, with one log line, at the end of the engine's reply window
// (maxResponseTime). A session of the daemon's own request left without a
// reply is cancelled once at most; if it stays open, the dial waits for the
// network to release it. A reply of its own that waits for a choice (a menu)
// is not cancelled either: ModemManager may answer that Cancel from a cache
// while the menu stays open at the modem; the network releases it. Only dial strings (0-9 * # +) are sent. Replies, and
// the network's notifications and requests, reach every process's telephony
// centre as kCTUSSDSessionStringNotification.
//
// SIM (ModemRegistration.cpp): the modem's Sim object is read when the modem
// is taken and whenever its Sim property changes (a swap, a removal): its
// SimIdentifier (the ICCID) and OperatorIdentifier (the home network),
// checked (SimIdentity.h), are what codes that follow their SIM are matched
// against.
// Menus (ModemMenu.cpp): a reply of the daemon's own session after which the
// session's State reads user-response (3), read afresh, or a NetworkRequest
// arriving during that session, goes to the menu listener (the home screen,
// which presents it to the engine as the phone's alert would); the engine's
// answer comes back through respond() as Ussd.Respond, whose reply is
// delivered and checked the same way. A menu nobody answers is left to the
// network to release.
//
// SMS (ModemSms.cpp): received messages, those announced and those listed
// when the modem is taken, go to the mirror once their State is received (3),
// each mirrored once ever (see SmsMirror.h). The registration
// keeps the carrier and operator links (see Registration.h). Errors are logged
// with ModemManager's error name and message.
//
// Single-threaded: every callback runs on GLib's default main context.
#pragma once

#include "host/linux/ModemStatus.h"
#include "host/linux/Registration.h"
#include "platform/telephony/CoreTelephony.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <libmm-glib.h>

namespace platform { class Device; }

namespace linuxhost {

class SmsMirror;

// Ussd.Initiate's call timeout: QMI modems may take 100 s to answer.
inline constexpr int kUssdCallTimeoutMs = 130'000;
// The engine's reply window when the settings store does not set one.
inline constexpr double kDefaultReplyWindowSeconds = 10.0;

class ModemTelephony final : public platform::TelephonyService {
public:
    ModemTelephony(platform::Device& device, GDBusConnection* systemBus, SmsMirror& mirror, std::string selector);
    ~ModemTelephony() override;
    ModemTelephony(const ModemTelephony&) = delete;
    ModemTelephony& operator=(const ModemTelephony&) = delete;

    void start();
    // Instead of start(): one modem of many, found through the object manager
    // another client keeps (ModemPool.h). The service is not watched: the
    // owner of `manager` retires this client when it goes. The carrier and
    // operator links stay the default modem's.
    void follow(MMManager* manager);
    // Cancels every pending call; their callbacks still run (and touch nothing).
    void stop();
    // Lets the modem go (a dial waiting on it fails), then stop()s: for a
    // follower whose modem went away; deleted once pendingCalls() is 0.
    void retire();
    // Calls whose callbacks have not run yet.
    int pendingCalls() const { return m_pending; }

    void dial(platform::Process& from, const std::string& number) override;
    // The followed modem's SIM, once read (its SimIdentifier and
    // OperatorIdentifier); none without a modem or a SIM.
    std::vector<platform::CTSimCard> insertedSims() const override;
    // Dialled when the modem holds that SIM; otherwise dropped with a log line.
    // A dial that waits for the session is dropped too (onDialFailed) if the
    // SIM has left the modem by the time it would go out.
    void dialOnSim(platform::Process& from, const std::string& number, const std::string& simId) override;

    // Called once when a modem becomes ready after a dial was dropped for want
    // of one (the widget's tap: the engine's own rules decide what runs).
    void onRefreshDue(std::function<void()> refresh) { m_refresh = std::move(refresh); }
    // Called when the SIM read changed (one put in, swapped, taken out), so
    // that what is shown of codes that follow their SIM is drawn again.
    void onSimChanged(std::function<void()> changed) { m_simChanged = std::move(changed); }
    // Each USSD text from the network, before the processes hear it.
    void onUssdText(std::function<void(const std::string&)> listener) { m_ussdText = std::move(listener); }

    // Where menus of the daemon's own sessions go (nullptr: nowhere).
    void onMenu(std::function<void(const std::string& text)> listener) { m_menuListener = std::move(listener); }
    // Each reply of our own session once told apart: `menu` when the session
    // waits for a choice, else the final reply (`code`: the session's code).
    void onReplySettled(std::function<void(const std::string& code, const std::string& text, bool menu)> listener)
    {
        m_replySettled = std::move(listener);
    }
    // Answers the menu last handed to the menu listener with `choice`
    // (Ussd.Respond); logged and dropped when no menu of ours is open, or
    // when the choice is empty, longer than 182 bytes or holds control
    // characters. True when the Respond went out.
    bool respond(const std::string& choice);

    bool hasModem() const { return m_object != nullptr; }
    // The followed modem's object path; empty without one.
    std::string modemPath() const;
    // The object manager's modems that the selector lets through, by path,
    // and the listener told after they (or the modem followed) may have
    // changed: one added or removed, interfaces changed, the service gone.
    std::vector<std::string> modemPaths() const;
    void onModemsChanged(std::function<void()> changed) { m_modemsChanged = std::move(changed); }
    MMManager* manager() const { return m_manager; }
    // The SIM read holds `simId` (platform::CTSimMatches).
    bool holds(const std::string& simId) const;
    // A menu of this modem's own session waits for respond().
    bool menuOpen() const { return m_menuOpen; }
    // A modem with USSD that is enabled.
    bool ready() const;

    // No modem, one unavailable, ModemManager refusing quorveld, or idle.
    ModemStatus status() const;
    // Called after anything status() depends on changed (maybe to the same value).
    void onStatusChanged(std::function<void()> changed) { m_statusChanged = std::move(changed); }
    // Called when a dial given to dial() ends without a reply from the modem:
    // dropped for want of a ready modem, refused or failed by ModemManager, or
    // given up for a session that stayed busy. Never after stop().
    void onDialFailed(std::function<void(const DialFailure&)> failed) { m_dialFailed = std::move(failed); }

private:
    struct Call;
    struct SmsWatch;
    struct Waiting {
        std::string code;
        // The SIM the dial was made for (dialOnSim): checked again when it goes out.
        std::string simId;
        guint timer = 0;
        double window = 0;
        bool logged = false;
    };

    // ModemTelephony.cpp: the service and the modem; ModemRegistration.cpp: registration and SIM.
    static void serviceAppeared(GDBusConnection*, const gchar* name, const gchar* owner, gpointer self);
    static void serviceVanished(GDBusConnection*, const gchar* name, gpointer self);
    static void managerReady(GObject*, GAsyncResult* result, gpointer call);
    static void objectAdded(GDBusObjectManager*, GDBusObject* object, gpointer self);
    static void objectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer self);
    static void interfacesChanged(GDBusObjectManager*, GDBusObject* object, GDBusInterface*, gpointer self);
    static void modemStateChanged(GObject*, GParamSpec*, gpointer self);
    static void simReady(GObject* source, GAsyncResult* result, gpointer call);
    static void registrationChanged(GObject*, GParamSpec*, gpointer self);
    static void simChanged(GObject*, GParamSpec*, gpointer self);

    void dropManager();
    void useManager(MMManager* manager);
    void modemsChanged();
    bool matches(MMObject* object) const;
    bool suits(MMObject* object) const;
    void pickModem();
    void attach(MMObject* object);
    void detach();
    // Logs the modem's condition when it changed; runs a due refresh once it is ready.
    void reportCondition();
    void readSim();
    void readRegistration();

    // ModemUssd.cpp: dials and sessions.
    static void stateRead(GObject* source, GAsyncResult* result, gpointer call);
    static void cancelled(GObject* source, GAsyncResult* result, gpointer call);
    static void initiated(GObject* source, GAsyncResult* result, gpointer call);
    static gboolean waitExpired(gpointer self);
    static void ussdStateChanged(GObject*, GParamSpec*, gpointer self);
    static void ussdTextChanged(GObject* ussd, GParamSpec* property, gpointer self);
    void dropDial(const std::string& code);
    void dialFailed(const std::string& code, DialFailure::Why why, const std::string& message);
    // Notes the outcome of a USSD call: refused by polkit, or a success (error null).
    void noteUssdAuthorisation(const GError* error);
    void statusChanged();
    void readSessionState();
    // Asks the service for the USSD session's State (the cached one lags
    // behind the call that changed it); `done` gets the call (Call*).
    void askUssdState(int timeoutMs, GAsyncReadyCallback done, const char* what);
    // The State in a Properties.Get reply, which it unrefs.
    static uint32_t ussdStateIn(GVariant* reply);
    void decide(uint32_t state);
    void initiate(const std::string& code);
    void endWait();
    void deliverUssdText(const std::string& text);

    // ModemMenu.cpp: menus of our own sessions.
    static void menuStateRead(GObject* source, GAsyncResult* result, gpointer call);
    static void responded(GObject* source, GAsyncResult* result, gpointer call);
    // A reply of our own session came: it is a menu if the session waits for the user.
    void ownReplyHeard(const std::string& text);
    // The session's State is `state`: a reply waiting to be told apart is presented, or dropped.
    void settleMenu(uint32_t state);
    // maxResponseTime from the settings store, its default when absent or unreadable.
    double replyWindow() const;

    // ModemSms.cpp: received messages.
    static void messageAdded(MMModemMessaging*, const gchar* path, gboolean received, gpointer self);
    static void messagesListed(GObject* source, GAsyncResult* result, gpointer call);
    static void smsReady(GObject* source, GAsyncResult* result, gpointer call);
    static void smsStateChanged(GObject*, GParamSpec*, gpointer watch);
    // Those received while the daemon was away (or attaching) are listed once.
    void listMessages();
    void watchSms(const std::string& path);
    void smsState(SmsWatch& watch);
    void forgetSms();

    void logError(const std::string& what, GError* error);
    // ModemManager's name of an error ("org.freedesktop.ModemManager1.Error.Core.WrongState").
    static std::string errorName(const GError* error);
    // The modem's name in the log: its object path.
    std::string modemName() const;
    Call* call(std::string what);
    bool current(const Call& call) const;

    platform::Device& m_device;
    GDBusConnection* m_bus;
    SmsMirror& m_mirror;
    std::string m_selector;
    GCancellable* m_cancellable;
    std::function<void()> m_refresh;
    std::function<void()> m_statusChanged;
    std::function<void(const DialFailure&)> m_dialFailed;
    std::function<void()> m_simChanged;
    std::function<void()> m_modemsChanged;
    bool m_follower = false;
    guint m_watch = 0;
    bool m_serviceSeen = false;
    MMManager* m_manager = nullptr;
    std::vector<gulong> m_managerHandlers;
    MMObject* m_object = nullptr;
    MMModem* m_modem = nullptr;
    MMModem3gpp* m_3gpp = nullptr;
    MMModem3gppUssd* m_ussd = nullptr;
    MMModemMessaging* m_messaging = nullptr;
    std::vector<std::pair<gpointer, gulong>> m_handlers;
    std::map<std::string, std::unique_ptr<SmsWatch>> m_sms;
    Registration m_registration;
    // The SIM of the modem, as last read; none while unread or absent.
    std::optional<platform::CTSimCard> m_sim;
    bool m_linksApplied = false;
    // Bumped whenever the service or the modem changes: callbacks of calls made
    // before find they are stale.
    uint64_t m_generation = 0;
    std::string m_condition; // last condition logged
    std::string m_unavailable; // its StateDetail when the modem is not ready (ModemStatus.h), else empty
    // ModemManager refused a USSD call (polkit): kept until one succeeds. (The
    // messages are read from properties, which polkit does not guard.)
    bool m_ussdRefused = false;
    bool m_refreshDue = false;
    std::function<void(const std::string&)> m_ussdText;

    // The session: whether its current (non-idle) state comes from our own
    // Initiate, and whether that session has had its one Cancel.
    bool m_ownSession = false;
    bool m_cancelledOnce = false;
    std::string m_lastCode;
    std::optional<Waiting> m_waiting;
    bool m_reading = false;
    bool m_readAgain = false;

    // Menus: the reply of ours not yet told apart from a final one, and
    // whether a menu of ours was presented and not yet answered.
    std::function<void(const std::string&)> m_menuListener;
    std::function<void(const std::string&, const std::string&, bool)> m_replySettled;
    std::optional<std::string> m_replyToSettle;
    bool m_menuOpen = false;

    int m_pending = 0;
    bool m_stopped = false;
};

} // namespace linuxhost
