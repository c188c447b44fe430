// The telephony service behind CTCallDial on a Linux machine: ModemManager on
// the system bus, through libmm-glib on GLib's main loop.
//
//   ModemTelephony modems(device, homeScreen, systemBus, mirror, "");   // "" = first with USSD
//   device.telephony = &modems;
//   modems.start();                 // finds modems through the object manager
//   ...                             // CTCallDial("*100#") -> Ussd.Initiate("*100#")
//   modems.stop();                  // cancels every pending call
//
// The modem is the first one with Modem3gpp.Ussd, or the one `selector` names
// (object path, IMEI, equipment or device identifier). One that goes away is
// let go and the next suitable one taken, also when it comes back; while none
// is there, dials are logged and dropped. A dial is refused unless it is made
// of 0-9 * # +. When the USSD session is not idle it is cancelled first and
// the code initiated once more. Replies, and the network's notifications and
// requests, reach every process's telephony centre as
// kCTUSSDSessionStringNotification, as the simulated carrier delivers them.
// Received SMS go to the mirror once their State is received (3); the
// registration keeps the carrier and operator links (see Registration.h).
// Errors are logged with ModemManager's error name and message.
//
// Single-threaded: every callback runs on GLib's default main context.
#pragma once

#include "host/linux/Registration.h"
#include "platform/telephony/CoreTelephony.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <libmm-glib.h>

namespace platform { class Device; }

namespace linuxhost {

class SmsMirror;

// Ussd.Initiate's call timeout: QMI modems may take 100 s to answer.
inline constexpr int kUssdCallTimeoutMs = 130'000;

class ModemTelephony final : public platform::TelephonyService {
public:
    ModemTelephony(platform::Device& device, GDBusConnection* systemBus, SmsMirror& mirror, std::string selector);
    ~ModemTelephony() override;
    ModemTelephony(const ModemTelephony&) = delete;
    ModemTelephony& operator=(const ModemTelephony&) = delete;

    void start();
    // Cancels every pending call; their callbacks still run (and touch nothing).
    void stop();
    // Calls whose callbacks have not run yet.
    int pendingCalls() const { return m_pending; }

    void dial(platform::Process& from, const std::string& number) override;

    bool hasModem() const { return m_object != nullptr; }

private:
    struct Call;
    struct SmsWatch;

    static void managerReady(GObject*, GAsyncResult* result, gpointer self);
    static void objectAdded(GDBusObjectManager*, GDBusObject* object, gpointer self);
    static void objectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer self);
    static void cancelled(GObject* source, GAsyncResult* result, gpointer call);
    static void initiated(GObject* source, GAsyncResult* result, gpointer call);
    static void simReady(GObject* source, GAsyncResult* result, gpointer call);
    static void smsReady(GObject* source, GAsyncResult* result, gpointer call);
    static void messageAdded(MMModemMessaging*, const gchar* path, gboolean received, gpointer self);
    static void ussdTextChanged(GObject* ussd, GParamSpec* property, gpointer self);
    static void registrationChanged(GObject*, GParamSpec*, gpointer self);
    static void simChanged(GObject*, GParamSpec*, gpointer self);
    static void smsStateChanged(GObject*, GParamSpec*, gpointer watch);

    bool suits(MMObject* object) const;
    void pickModem();
    void attach(MMObject* object);
    void detach();
    void initiate(const std::string& code);
    void readSim();
    void deliverUssdText(const std::string& text);
    void readRegistration();
    void watchSms(const std::string& path);
    void smsState(SmsWatch& watch);
    void logError(const std::string& what, GError* error);
    // The modem's name in the log: its object path.
    std::string modemName() const;

    platform::Device& m_device;
    GDBusConnection* m_bus;
    SmsMirror& m_mirror;
    std::string m_selector;
    GCancellable* m_cancellable;
    MMManager* m_manager = nullptr;
    MMObject* m_object = nullptr;
    MMModem* m_modem = nullptr;
    MMModem3gpp* m_3gpp = nullptr;
    MMModem3gppUssd* m_ussd = nullptr;
    MMModemMessaging* m_messaging = nullptr;
    std::vector<std::pair<gpointer, gulong>> m_handlers;
    std::map<std::string, std::unique_ptr<SmsWatch>> m_sms;
    Registration m_registration;
    bool m_linksApplied = false;
    int m_pending = 0;
    bool m_stopped = false;
};

} // namespace linuxhost
