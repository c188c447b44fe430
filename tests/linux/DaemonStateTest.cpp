// The daemon's State when a dial cannot go out: the modem disabled or SIM
// locked ("modem-unavailable"), ModemManager refusing quorveld's calls for
// polkit ("not-authorised"), each shown while it holds and gone once it ends;
// dials refused or ended at once with the reason rather than left to time
// out; and calls from several clients at once, each on its own connection.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include "host/linux/ModemStatus.h"
#include "host/linux/client/QuorvelClient.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kError = "org.quillmoor.Quorvel1.Error.";
constexpr const char* kUnauthorized = "org.freedesktop.ModemManager1.Error.Core.Unauthorized";
constexpr const char* kAccessDenied = "org.freedesktop.DBus.Error.AccessDenied";
constexpr const char* kModemPath = "/org/freedesktop/ModemManager1/Modem/0";

class DaemonState : public LinuxHostTest {
protected:
    void start(const std::string& mockParameters = "")
    {
        startModemManager(mockParameters);
        startDaemon();
        CallError error;
        client = QuorvelClient::connect(sessionBus(), &error);
        ASSERT_TRUE(client) << error.message;
        client->onStateChanged([this] { states.push_back(stateNow()); });
    }
    void TearDown() override
    {
        client.reset();
        for (GDBusConnection* c : m_clients)
            g_object_unref(c);
        LinuxHostTest::TearDown();
    }
    std::string stateNow() const { return client->state() + " " + client->stateDetail(); }
    bool stateIs(const std::string& state, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return stateNow() == state;
        }, limit);
    }
    void answer(const std::string& code, const std::string& mode, const std::string& text, const std::string& extra = "")
    {
        mock("SetUssdReply", g_variant_new("(ssss)", code.c_str(), mode.c_str(), text.c_str(), extra.c_str()));
    }
    void refuse(const std::string& kind, const std::string& error)
    {
        mock("SetRefusal", g_variant_new("(ss)", kind.c_str(), error.c_str()));
    }
    void enableModem(bool enable)
    {
        GVariant* done = systemCall("org.freedesktop.ModemManager1", kModemPath, "org.freedesktop.ModemManager1.Modem",
                                    "Enable", g_variant_new("(b)", enable));
        if (done)
            g_variant_unref(done);
    }
    // A connection of its own to the session bus, as another program has.
    GDBusConnection* newClient()
    {
        GDBusConnection* c = newSessionConnection();
        m_clients.push_back(c);
        return c;
    }

    // Calls sent without waiting; each outcome is "ok" or the error's name once answered.
    struct Calls {
        std::vector<std::string> outcomes;
        std::vector<GVariant*> replies;
        int answered = 0;
        ~Calls()
        {
            for (GVariant* r : replies)
                if (r)
                    g_variant_unref(r);
        }
    };
    struct Pending {
        Calls* calls;
        size_t slot;
    };
    void send(Calls& calls, GDBusConnection* bus, const char* method, GVariant* arguments, int timeoutMs = 10000)
    {
        calls.outcomes.emplace_back();
        calls.replies.push_back(nullptr);
        g_dbus_connection_call(bus, kQuorvelBusName, kQuorvelObjectPath, "org.quillmoor.Quorvel1", method, arguments,
                               nullptr, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr,
                               +[](GObject* source, GAsyncResult* result, gpointer data) {
                                   std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
                                   GError* error = nullptr;
                                   GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
                                   std::string& outcome = pending->calls->outcomes[pending->slot];
                                   if (reply) {
                                       outcome = "ok";
                                       pending->calls->replies[pending->slot] = reply;
                                   } else {
                                       gchar* name = g_dbus_error_get_remote_error(error);
                                       outcome = name ? name : error->message;
                                       g_free(name);
                                       g_error_free(error);
                                   }
                                   ++pending->calls->answered;
                               },
                               new Pending{&calls, calls.outcomes.size() - 1});
    }
    bool allAnswered(Calls& calls, std::chrono::milliseconds limit = 15s)
    {
        return waitFor([&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return calls.answered == static_cast<int>(calls.outcomes.size());
        }, limit);
    }
    std::vector<StoredCode> codes()
    {
        CallError error;
        auto list = client->codes(&error);
        EXPECT_TRUE(list) << error.message;
        return list.value_or(std::vector<StoredCode>{});
    }

    std::unique_ptr<QuorvelClient> client;
    std::vector<std::string> states;

private:
    std::vector<GDBusConnection*> m_clients;
};

TEST(ModemStatus, EachConditionHasItsDetailAndALockOutranksTheRest)
{
    const std::string name = "/org/freedesktop/ModemManager1/Modem/0";
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_REGISTERED, MM_MODEM_LOCK_NONE, true, name).detail, "");
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_ENABLED, MM_MODEM_LOCK_UNKNOWN, true, name).detail, "");
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_DISABLED, MM_MODEM_LOCK_NONE, true, name).detail, "disabled");
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_ENABLING, MM_MODEM_LOCK_NONE, true, name).detail, "disabled");
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_LOCKED, MM_MODEM_LOCK_SIM_PIN, false, name).detail, "sim-locked");
    // A PUK asked for while the modem reports another state is still a lock.
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_DISABLED, MM_MODEM_LOCK_SIM_PUK, true, name).detail, "sim-locked");
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_FAILED, MM_MODEM_LOCK_NONE, false, name).detail, "failed");
    EXPECT_EQ(modemCondition(MM_MODEM_STATE_REGISTERED, MM_MODEM_LOCK_NONE, false, name).detail, "no-ussd");
    const ModemCondition disabled = modemCondition(MM_MODEM_STATE_DISABLED, MM_MODEM_LOCK_NONE, true, name);
    EXPECT_NE(disabled.advice.find("mmcli -m " + name + " -e"), std::string::npos) << disabled.advice;

    EXPECT_TRUE(isAuthorisationError(kUnauthorized));
    EXPECT_TRUE(isAuthorisationError(kAccessDenied));
    EXPECT_FALSE(isAuthorisationError("org.freedesktop.ModemManager1.Error.Core.WrongState"));
    EXPECT_FALSE(isAuthorisationError(""));
}

TEST_F(DaemonState, ADisabledModemIsUnavailableUntilItIsEnabled)
{
    writeCodes(codesXml({codeXml("*100#", 1, {{"Balance", 0}})}));
    start(R"({"state": "disabled"})");
    ASSERT_TRUE(stateIs("modem-unavailable disabled")) << stateNow();
    const std::string before = codesStore();
    // Refused at once with the reason, rather than waiting for a reply that cannot come.
    CallError error;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->dial("*100#", false, &error));
    EXPECT_EQ(error.name, kError + "ModemUnavailable");
    EXPECT_NE(error.message.find("disabled"), std::string::npos) << error.message;
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    EXPECT_EQ(codesStore(), before);
    EXPECT_EQ(stateNow(), "modem-unavailable disabled");

    enableModem(true);
    ASSERT_TRUE(stateIs("idle ")) << stateNow();
    answer("*100#", "reply", "Balance 4.20");
    auto reply = client->dial("*100#", false, &error);
    ASSERT_TRUE(reply) << error.name << ": " << error.message;
    EXPECT_EQ(reply->numbers, std::vector<std::string>{"4.20"});
    // Disabled again (the phone's mobile network switched off): shown again.
    enableModem(false);
    EXPECT_TRUE(stateIs("modem-unavailable disabled")) << stateNow();
}

TEST_F(DaemonState, ASimLockedModemIsUnavailableUntilUnlockedAndEnabled)
{
    start(R"({"state": "locked"})");
    ASSERT_TRUE(stateIs("modem-unavailable sim-locked")) << stateNow();
    CallError error;
    EXPECT_FALSE(client->dial("*100#", false, &error));
    EXPECT_EQ(error.name, kError + "ModemUnavailable");
    EXPECT_NE(error.message.find("SIM is locked"), std::string::npos) << error.message;
    // Unlocked, the modem is disabled until the phone enables it.
    GVariant* unlocked = systemCall("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1/SIM/0",
                                    "org.freedesktop.ModemManager1.Sim", "SendPin", g_variant_new("(s)", "1234"));
    ASSERT_TRUE(unlocked);
    g_variant_unref(unlocked);
    ASSERT_TRUE(stateIs("modem-unavailable disabled")) << stateNow();
    enableModem(true);
    EXPECT_TRUE(stateIs("idle ")) << stateNow();
    // Never passing through "no-modem" on the way: the modem was there all along.
    EXPECT_EQ(std::count(states.begin(), states.end(), "no-modem "), 0) << ::testing::PrintToString(states);
}

TEST_F(DaemonState, APolkitRefusalEndsTheDialAtOnceAndHoldsUntilACallIsTaken)
{
    start();
    ASSERT_TRUE(stateIs("idle "));
    answer("*100#", "reply", "Balance 9.10");
    refuse("ussd", kUnauthorized);
    CallError error;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->dial("*100#", false, &error));
    EXPECT_EQ(error.name, kError + "NotAuthorised");
    EXPECT_NE(error.message.find("polkit"), std::string::npos) << error.message;
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    EXPECT_TRUE(stateIs("not-authorised ussd")) << stateNow();
    EXPECT_TRUE(waitForLog("ModemManager refuses quorveld's USSD calls")) << log();
    // Polkit still refuses: the next dial is tried, and refused again.
    EXPECT_FALSE(client->dial("*100#", false, &error));
    EXPECT_EQ(error.name, kError + "NotAuthorised");
    EXPECT_EQ(logCount("ModemManager refuses quorveld's USSD calls"), 1u);

    // Allowed (the user's session became the active one): the next dial goes
    // through and the state clears.
    refuse("ussd", "");
    auto reply = client->dial("*100#", false, &error);
    ASSERT_TRUE(reply) << error.name << ": " << error.message;
    EXPECT_TRUE(stateIs("idle ")) << stateNow();
    EXPECT_EQ(codes().size(), 0u);
}

TEST_F(DaemonState, TheEnginesRefusedRefreshShowsToo)
{
    writeCodes(codesXml({codeXml("*100#", 1, {{"Balance", 0}})}));
    start();
    ASSERT_TRUE(stateIs("idle "));
    answer("*100#", "reply", "Balance 3.30");
    // The bus's own refusal (a policy that denies the call) counts as polkit's.
    refuse("ussd", kAccessDenied);
    ASSERT_TRUE(refreshTaken());
    EXPECT_TRUE(stateIs("not-authorised ussd")) << stateNow() << log();
    refuse("ussd", "");
    ASSERT_TRUE(refreshTaken());
    EXPECT_TRUE(waitFor([&] { return codesStore().find("<string>3.30</string>") != std::string::npos; })) << codesStore();
    EXPECT_TRUE(stateIs("idle ")) << stateNow();
}

TEST_F(DaemonState, ADialModemManagerFailsEndsAtOnceWithItsError)
{
    start();
    ASSERT_TRUE(stateIs("idle "));
    answer("*100#", "fail", "SIM busy", "org.freedesktop.ModemManager1.Error.MobileEquipment.SimBusy");
    CallError error;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->dial("*100#", false, &error));
    // Before, the client waited the full 30 s for Timeout.
    EXPECT_EQ(error.name, kError + "Failed");
    EXPECT_NE(error.message.find("SimBusy"), std::string::npos) << error.message;
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    EXPECT_TRUE(stateIs("idle ")) << stateNow();
}

TEST_F(DaemonState, TwoDialsFromTwoClientsAtOnceOneIsBusy)
{
    start();
    ASSERT_TRUE(stateIs("idle "));
    // Neither is answered until the network speaks: whichever the daemon
    // takes first holds the modem, the other is refused.
    answer("*100#", "silent", "");
    answer("*101#", "silent", "");
    GDBusConnection* first = newClient();
    GDBusConnection* second = newClient();
    Calls calls;
    send(calls, first, "DialCode", g_variant_new("(sb)", "*100#", FALSE));
    send(calls, second, "DialCode", g_variant_new("(sb)", "*101#", FALSE));
    ASSERT_TRUE(waitFor([&] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        return calls.answered == 1;
    }));
    EXPECT_EQ(std::count(calls.outcomes.begin(), calls.outcomes.end(), kError + "Busy"), 1)
        << ::testing::PrintToString(calls.outcomes);
    mock("SetNetworkNotification", g_variant_new("(s)", "Balance 5.50"));
    ASSERT_TRUE(allAnswered(calls));
    std::multiset<std::string> outcomes(calls.outcomes.begin(), calls.outcomes.end());
    EXPECT_EQ(outcomes, (std::multiset<std::string>{"ok", kError + "Busy"})) << ::testing::PrintToString(calls.outcomes);
    EXPECT_TRUE(stateIs("idle ")) << stateNow();
}

TEST_F(DaemonState, HostileDialsAreRefusedAndDialNothing)
{
    start();
    ASSERT_TRUE(stateIs("idle "));
    const std::vector<std::string> bad = {"", "*100#;ATD1", "*100#\n", std::string(41, '1'), "*1００#"};
    for (const std::string& code : bad) {
        CallError error;
        EXPECT_FALSE(client->dial(code, false, &error)) << code;
        EXPECT_EQ(error.name, kError + "InvalidArgument") << code;
        EXPECT_FALSE(error.message.empty());
    }
    // Nothing went out: no state but idle was ever shown, and the modem saw no Initiate.
    EXPECT_EQ(logCount("USSD Initiate"), 0u) << log();
    EXPECT_TRUE(std::all_of(states.begin(), states.end(), [](const std::string& s) { return s == "idle "; }))
        << ::testing::PrintToString(states);
}

TEST_F(DaemonState, SavesAndDeletesFromManyClientsAtOnceLoseNothing)
{
    start();
    // Eight clients save three codes each, all sent before any answer.
    Calls saves;
    for (int c = 0; c < 8; ++c) {
        GDBusConnection* bus = newClient();
        for (int i = 0; i < 3; ++i) {
            const std::string code = "*" + std::to_string(100 + c * 3 + i) + "#";
            send(saves, bus, "SaveCode",
                 g_variant_new("(ssi@a(is))", code.c_str(), "", 1, g_variant_new_parsed("[(0, 'Balance')]")));
        }
    }
    ASSERT_TRUE(allAnswered(saves));
    EXPECT_EQ(std::count(saves.outcomes.begin(), saves.outcomes.end(), "ok"), 24) << ::testing::PrintToString(saves.outcomes);
    std::set<int> indexes;
    for (GVariant* r : saves.replies)
        if (r) {
            gint32 index = -1;
            g_variant_get(r, "(i)", &index);
            indexes.insert(index);
        }
    EXPECT_EQ(indexes.size(), 24u); // each save had a place of its own
    std::vector<StoredCode> list = codes();
    ASSERT_EQ(list.size(), 24u);

    // Every client deletes from the same snapshot: the first delete moves the
    // rest, so a stale (index, code) finds another code there and deletes nothing.
    Calls deletes;
    for (int i = 0; i < 24; i += 3)
        send(deletes, newClient(), "DeleteCode", g_variant_new("(is)", i, list[static_cast<size_t>(i)].code.c_str()));
    ASSERT_TRUE(allAnswered(deletes));
    std::set<std::string> deleted;
    for (size_t k = 0; k < deletes.outcomes.size(); ++k) {
        if (deletes.outcomes[k] == "ok")
            deleted.insert(list[k * 3].code);
        else
            EXPECT_EQ(deletes.outcomes[k], kError + "NotFound");
    }
    EXPECT_FALSE(deleted.empty());
    std::vector<StoredCode> after = codes();
    EXPECT_EQ(after.size(), 24u - deleted.size());
    for (const StoredCode& c : list)
        EXPECT_EQ(std::count_if(after.begin(), after.end(), [&](const StoredCode& a) { return a.code == c.code; }),
                  deleted.count(c.code) ? 0 : 1)
            << c.code;
}

TEST_F(DaemonState, SettingsSetFromManyClientsAtOnceAreAllKept)
{
    start();
    Calls calls;
    const std::vector<std::pair<const char*, GVariant*>> values = {
        {"autoRefreshRate", g_variant_new_int64(30)}, {"enableInRoaming", g_variant_new_boolean(TRUE)},
        {"observeDND", g_variant_new_boolean(FALSE)}, {"showGridlines", g_variant_new_boolean(TRUE)},
        {"maxResponseTime", g_variant_new_double(20)}, {"titleColor", g_variant_new_int64(3)},
    };
    for (const auto& [key, value] : values)
        send(calls, newClient(), "SetSetting", g_variant_new("(sv)", key, value));
    ASSERT_TRUE(allAnswered(calls));
    EXPECT_EQ(std::count(calls.outcomes.begin(), calls.outcomes.end(), "ok"), 6) << ::testing::PrintToString(calls.outcomes);
    auto stored = platform::parsePropertyList(readText(root() / "var/mobile/Library/Preferences/org.quillmoor.quorvelpref.plist"));
    ASSERT_TRUE(stored && stored->dict());
    const platform::Dict& dict = *stored->dict();
    EXPECT_EQ(dict.at("autoRefreshRate"), platform::Value(30));
    EXPECT_EQ(dict.at("enableInRoaming"), platform::Value(true));
    EXPECT_EQ(dict.at("observeDND"), platform::Value(false));
    EXPECT_EQ(dict.at("showGridlines"), platform::Value(true));
    EXPECT_EQ(dict.at("maxResponseTime").doubleValue(), 20.0);
    EXPECT_EQ(dict.at("titleColor"), platform::Value(3));
}

} // namespace
} // namespace linuxhost::test
