// The telephony service of a machine with one modem or several: one
// ModemTelephony client per usable modem, each code dialled on the modem
// holding its SIM.
//
//   ModemPool modems(device, systemBus, mirror, "");   // "" = every modem; else only that one
//   device.telephony = &modems;
//   modems.start();
//   CTCallDialOnSim("*100#", "8970...")   // -> Ussd.Initiate on the modem with that SIM
//   CTCallDial("*102#")                    // -> the default modem
//
// The default client is the one quorveld always had: it watches ModemManager,
// keeps the object manager and follows the first modem with USSD (or the one
// `--modem` names). With no `--modem`, every other modem the object manager
// shows gets a follower client of its own on the same object manager; modems
// added and removed, and the default moving to another modem, are followed at
// once. With `--modem`, only that modem is used, exactly as with one modem.
//
// The SIMs in are those of all clients, the default's first, then by modem
// path. A dial without a SIM goes to the default modem; one with a SIM to the
// first client holding it, else it is dropped with a log line. Every client's
// USSD texts, menus, received SMS (the shared mirror), dial failures and
// refresh requests reach the same listeners; State and StateDetail are the
// default modem's (the log says which modem is meant).
//
// At most eight modems are used (the first by path); more are logged and
// left alone. A client whose modem went away is retired (its calls cancelled) and freed
// once its cancelled calls have completed. Single-threaded, GLib's default context.
#pragma once

#include "host/linux/ModemTelephony.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace linuxhost {

class ModemPool final : public platform::TelephonyService {
public:
    ModemPool(platform::Device& device, GDBusConnection* systemBus, SmsMirror& mirror, std::string selector);
    ~ModemPool() override;
    ModemPool(const ModemPool&) = delete;
    ModemPool& operator=(const ModemPool&) = delete;

    void start();
    // Cancels every client's pending calls; their callbacks still run.
    void stop();
    // Calls of every client, retired ones too, whose callbacks have not run yet.
    int pendingCalls() const;

    void dial(platform::Process& from, const std::string& number) override;
    std::vector<platform::CTSimCard> insertedSims() const override;
    void dialOnSim(platform::Process& from, const std::string& number, const std::string& simId) override;

    // As ModemTelephony's, for every client. The listeners may be set or
    // cleared at any time; clients made later reach them too.
    void onRefreshDue(std::function<void()> refresh) { m_refresh = std::move(refresh); }
    // Called when the SIMs in changed (one put in, swapped or taken out, a
    // modem with one added or removed).
    void onSimChanged(std::function<void()> changed) { m_simChanged = std::move(changed); }
    void onUssdText(std::function<void(const std::string&)> listener) { m_ussdText = std::move(listener); }
    void onMenu(std::function<void(const std::string& text)> listener) { m_menu = std::move(listener); }
    void onStatusChanged(std::function<void()> changed) { m_statusChanged = std::move(changed); }
    void onDialFailed(std::function<void(const DialFailure&)> failed) { m_dialFailed = std::move(failed); }
    // Each client's replies of its own sessions once told apart (ModemTelephony::onReplySettled).
    void onReplySettled(std::function<void(const std::string& code, const std::string& text, bool menu)> listener)
    {
        m_replySettled = std::move(listener);
    }
    // To the client whose menu is open (the default's when none is: it logs
    // the drop). True when the Respond went out.
    bool respond(const std::string& choice);

    bool hasModem() const { return m_default->hasModem(); }
    // Some modem with USSD is enabled.
    bool ready() const;
    ModemStatus status() const { return m_default->status(); }

    // The modems followed beside the default one, by path (for tests and the log).
    std::vector<std::string> followedModems() const;

private:
    std::unique_ptr<ModemTelephony> client(const std::string& selector);
    // Brings the followers in line with the default client's object manager.
    void followModems();
    void retire(std::unique_ptr<ModemTelephony> client);
    static gboolean reap(gpointer self);
    ModemTelephony* holding(const std::string& simId) const;
    // Calls the SIM listener when insertedSims() differs from what it was last told.
    void simsMaybeChanged();

    platform::Device& m_device;
    GDBusConnection* m_bus;
    SmsMirror& m_mirror;
    std::string m_selector;
    std::unique_ptr<ModemTelephony> m_default;
    std::map<std::string, std::unique_ptr<ModemTelephony>> m_followers;
    std::vector<std::unique_ptr<ModemTelephony>> m_retired;
    guint m_reaper = 0;
    std::vector<platform::CTSimCard> m_simsTold;
    // How many modems beside the default there were when too many were last logged.
    size_t m_overflowTold = 0;
    bool m_stopped = false;

    std::function<void()> m_refresh;
    std::function<void()> m_simChanged;
    std::function<void(const std::string&)> m_ussdText;
    std::function<void(const std::string&)> m_menu;
    std::function<void(const std::string&, const std::string&, bool)> m_replySettled;
    std::function<void()> m_statusChanged;
    std::function<void(const DialFailure&)> m_dialFailed;
};

} // namespace linuxhost
