// quorveld's interface org.quillmoor.Quorvel1 end to end, through the client
// library, against the daemon on private buses with the mock ModemManager:
// good calls, hostile arguments (a clear error and nothing changed), calls at
// once, and the signals that tell clients of changes.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include "host/linux/client/QuorvelClient.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kInvalid = "org.quillmoor.Quorvel1.Error.InvalidArgument";

class DaemonInterface : public LinuxHostTest {
protected:
    void startAll()
    {
        startModemManager();
        startDaemon();
        CallError error;
        client = QuorvelClient::connect(sessionBus(), &error);
        ASSERT_TRUE(client) << error.message;
        ASSERT_TRUE(client->running());
        // Dials go out once the daemon has found the mock's modem.
        ASSERT_TRUE(waitWithSignals([&] { return client->state() == "idle"; })) << client->state();
        // The Darwin notifications the daemon's processes post, as it relays them.
        m_darwin = g_dbus_connection_signal_subscribe(
            sessionBus(), nullptr, "org.quillmoor.Darwin1", "Posted", "/org/quillmoor/Darwin1", nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE,
            +[](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters, gpointer data) {
                const gchar* name = nullptr;
                g_variant_get(parameters, "(&s)", &name);
                static_cast<std::vector<std::string>*>(data)->emplace_back(name);
            },
            &m_posted, nullptr);
    }
    bool darwinPosted(const std::string& name) const
    {
        return std::find(m_posted.begin(), m_posted.end(), name) != m_posted.end();
    }
    void TearDown() override
    {
        if (m_darwin)
            g_dbus_connection_signal_unsubscribe(sessionBus(), m_darwin);
        client.reset();
        LinuxHostTest::TearDown();
    }
    void answer(const std::string& code, const std::string& mode, const std::string& text, const std::string& sender = "")
    {
        mock("SetUssdReply", g_variant_new("(ssss)", code.c_str(), mode.c_str(), text.c_str(), sender.c_str()));
    }
    // Polls with the client's signals delivered meanwhile.
    bool waitWithSignals(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return condition();
        }, limit);
    }
    std::string settingsStore() const
    {
        return readText(root() / "var/mobile/Library/Preferences/org.quillmoor.quorvelpref.plist");
    }
    platform::Dict storedSettings() const
    {
        auto parsed = platform::parsePropertyList(settingsStore());
        return parsed && parsed->dict() ? *parsed->dict() : platform::Dict{};
    }
    std::vector<StoredCode> codes()
    {
        CallError error;
        auto list = client->codes(&error);
        EXPECT_TRUE(list) << error.message;
        return list.value_or(std::vector<StoredCode>{});
    }

    std::unique_ptr<QuorvelClient> client;
    std::vector<std::string> m_posted;
    guint m_darwin = 0;
};

TEST_F(DaemonInterface, CodesAreReadWithTitlesValuesAndRefreshTimeEvenBesideABrokenRecord)
{
    writeCodes(plist("<dict><key>codes</key><array>"
                     "<dict><key>ussdCode</key><string>*100#</string><key>expectedNumbers</key><integer>2</integer>"
                     "<key>refreshedAt</key><date>2026-12-08T09:05:00Z</date><key>fields</key><array>"
                     "<dict><key>title</key><string>Баланс</string><key>index</key><integer>0</integer>"
                     "<key>lastValue</key><string>12.50</string></dict></array></dict>"
                     "<string>not a record</string>" +
                     codeXml("*102#", 1, {{"Minutes", 0}}, "900") + "</array></dict>"));
    startAll();
    std::vector<StoredCode> list = codes();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].code, "*100#");
    EXPECT_EQ(list[0].expectedNumbers, 2);
    EXPECT_EQ(list[0].refreshedAtMicros, 1796720700'000000LL);
    ASSERT_EQ(list[0].fields.size(), 1u);
    EXPECT_EQ(list[0].fields[0].title, "Баланс");
    EXPECT_EQ(list[0].fields[0].value, "12.50");
    // The broken record keeps its place, so indexes stay those of the store.
    EXPECT_EQ(list[1].code, "");
    EXPECT_EQ(list[2].code, "*102#");
    EXPECT_EQ(list[2].smsSender, "900");
    EXPECT_EQ(list[2].refreshedAtMicros, 0);
    EXPECT_EQ(list[2].fields[0].value, "");

    CommandResult json = quorvel({"codes"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("[{\"code\":\"*100#\",\"smsSender\":\"\",\"expectedNumbers\":2,"
                             "\"refreshedAt\":\"2026-12-08T09:05:00Z\",\"lastReply\":\"\",\"fields\":"
                             "[{\"index\":0,\"title\":\"Баланс\",\"value\":\"12.50\"}]},", 0),
              0u)
        << json.out;
    EXPECT_NE(json.out.find("\"refreshedAt\":null"), std::string::npos) << json.out;
}

TEST_F(DaemonInterface, ASavedCodeIsTheWizardsRecordAndTheEngineRefreshesIt)
{
    startAll();
    bool codesChanged = false;
    client->onCodesChanged([&] { codesChanged = true; });
    answer("*100#", "reply", "Balance 12.50 rub, bonus 300, until 31.12");
    CallError error;
    // Given out of order and with an untitled number: stored as the wizard
    // stores them, in the numbers' order, untitled ones left out.
    std::optional<int> index = client->saveCode("*100#", "", 3, {{1, "Bonus"}, {2, ""}, {0, "Balance"}}, &error);
    ASSERT_TRUE(index) << error.message;
    EXPECT_EQ(*index, 0);
    auto store = platform::parsePropertyList(codesStore());
    ASSERT_TRUE(store);
    const platform::Value& record = (*store)["codes"].at(0);
    EXPECT_EQ(record, platform::Value(platform::Dict{
                          {"ussdCode", "*100#"},
                          {"expectedNumbers", 3},
                          {"fields", platform::Array{platform::Dict{{"title", "Balance"}, {"index", 0}},
                                                     platform::Dict{{"title", "Bonus"}, {"index", 1}}}}}))
        << codesStore();
    EXPECT_TRUE(waitWithSignals([&] { return codesChanged; }));

    ASSERT_TRUE(client->refresh(&error)) << error.message;
    EXPECT_TRUE(waitFor([&] { return codesStore().find("<string>300</string>") != std::string::npos; })) << codesStore();
    EXPECT_TRUE(waitWithSignals([&] { return codes().at(0).fields.at(1).value == "300"; }));
    // The engine's own dial leaves its reply as the code's last reply too.
    EXPECT_EQ(codes().at(0).lastReply, "Balance 12.50 rub, bonus 300, until 31.12");

    // An SMS code keeps its sender, appended after the first.
    index = client->saveCode("*102#", "900", 1, {{0, "Minutes"}}, &error);
    ASSERT_TRUE(index) << error.message;
    EXPECT_EQ(*index, 1);
    EXPECT_EQ(codes().at(1).smsSender, "900");
}

TEST_F(DaemonInterface, HostileSavesAreRefusedWithAReasonAndChangeNothing)
{
    writeCodes(codesXml({codeXml("*100#", 2, {{"Balance", 0}})}));
    startAll();
    const std::string before = codesStore();
    struct Bad {
        std::string code, sender;
        int expected;
        std::vector<std::pair<int, std::string>> fields;
        std::string why;
    };
    const std::vector<Bad> bad = {
        {"", "", 2, {{0, "A"}}, "empty code"},
        {"*100#a", "", 2, {{0, "A"}}, "a letter in the code"},
        {"*100#\n", "", 2, {{0, "A"}}, "a newline in the code"},
        {std::string(41, '1'), "", 2, {{0, "A"}}, "a code of 41 characters"},
        {"*100#", "", 2, {{0, "A\nB"}}, "a newline in a title"},
        {"*100#", "", 2, {{0, "A\u2028B"}}, "a line separator in a title"},
        {"*100#", "", 2, {{0, std::string(65, 'x')}}, "a title of 65 characters"},
        {"*100#", "", 2, {{2, "A"}}, "an index past the numbers"},
        {"*100#", "", 2, {{-1, "A"}}, "a negative index"},
        {"*100#", "", 2, {{0, "A"}, {0, "B"}}, "an index twice"},
        {"*100#", "", 0, {}, "no numbers"},
        {"*100#", "", 1001, {{0, "A"}}, "too many numbers"},
        {"*100#", "", 2, {{0, ""}, {1, ""}}, "no title at all"},
        {"*100#", "", 1, {{0, "A"}, {1, "B"}}, "more fields than numbers"},
        {"*100#", "9\x1b[2J", 1, {{0, "A"}}, "an escape in the sender"},
        {"*100#", std::string(65, '9'), 1, {{0, "A"}}, "a sender of 65 bytes"},
    };
    for (const Bad& call : bad) {
        CallError error;
        EXPECT_FALSE(client->saveCode(call.code, call.sender, call.expected, call.fields, &error)) << call.why;
        EXPECT_EQ(error.name, kInvalid) << call.why;
        EXPECT_FALSE(error.message.empty()) << call.why;
    }
    // A title of 64 Cyrillic characters (128 bytes) is within bounds.
    std::string title;
    for (int i = 0; i < 64; ++i)
        title += "ж";
    CallError error;
    EXPECT_TRUE(client->saveCode("*101#", "", 1, {{0, title}}, &error)) << error.message;
    EXPECT_EQ(codes().size(), 2u);
    EXPECT_TRUE(client->deleteCode(1, "*101#", &error)) << error.message;
    EXPECT_EQ(platform::parsePropertyList(codesStore()), platform::parsePropertyList(before));
    const std::string after = codesStore();

    // A call of the wrong shape is refused by the interface itself.
    GError* failure = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(sessionBus(), kQuorvelBusName, kQuorvelObjectPath, "org.quillmoor.Quorvel1",
                                                  "SaveCode", g_variant_new("(ss)", "*100#", ""), nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &failure);
    ASSERT_EQ(reply, nullptr);
    gchar* name = g_dbus_error_get_remote_error(failure);
    EXPECT_STREQ(name, "org.freedesktop.DBus.Error.InvalidArgs");
    g_free(name);
    g_error_free(failure);
    EXPECT_EQ(codesStore(), after);
    EXPECT_NE(log().find("SaveCode from "), std::string::npos);
    // Client text reaches the log escaped, never raw.
    EXPECT_EQ(log().find("\x1b[2J"), std::string::npos);
}

TEST_F(DaemonInterface, ADeleteNeedsTheIndexAndTheCodeItStillHolds)
{
    writeCodes(codesXml({codeXml("*100#", 2, {{"Balance", 0}}), codeXml("*101#", 1, {{"Data", 0}}),
                         codeXml("*102#", 1, {{"Minutes", 0}}, "900")}));
    startAll();
    const std::string before = codesStore();
    CallError error;
    EXPECT_FALSE(client->deleteCode(0, "*101#", &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.NotFound");
    EXPECT_FALSE(client->deleteCode(3, "*102#", &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.NotFound");
    EXPECT_FALSE(client->deleteCode(-1, "*100#", &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.NotFound");
    EXPECT_FALSE(client->deleteCode(0, "*100#x", &error));
    EXPECT_EQ(error.name, kInvalid);
    EXPECT_EQ(codesStore(), before);

    ASSERT_TRUE(client->deleteCode(1, "*101#", &error)) << error.message;
    std::vector<StoredCode> list = codes();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].code, "*100#");
    EXPECT_EQ(list[1].code, "*102#");
    EXPECT_EQ(list[1].smsSender, "900");
    // The same delete again finds another code there now.
    EXPECT_FALSE(client->deleteCode(1, "*101#", &error));
}

TEST_F(DaemonInterface, AStoreThatCannotBeReadIsNeverOverwritten)
{
    writeCodes("<?xml version=\"1.0\"?><plist><dict><key>codes</key><array><dict>");
    writeSettings("not a property list");
    startAll();
    const std::string codesBefore = codesStore();
    const std::string settingsBefore = settingsStore();
    CallError error;
    EXPECT_FALSE(client->saveCode("*100#", "", 1, {{0, "Balance"}}, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Failed");
    EXPECT_FALSE(client->deleteCode(0, "*100#", &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Failed");
    EXPECT_FALSE(client->setSetting("showGridlines", true, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Failed");
    EXPECT_EQ(codesStore(), codesBefore);
    EXPECT_EQ(settingsStore(), settingsBefore);
    EXPECT_TRUE(codes().empty());
}

TEST_F(DaemonInterface, SavesSentTogetherAreAllKept)
{
    startAll();
    // Calls sent together, without waiting for each answer: the daemon takes
    // them one at a time on its loop, so none loses another's record.
    std::vector<GVariant*> replies(12, nullptr);
    int pending = 0;
    for (int i = 0; i < 12; ++i) {
        const std::string code = "*" + std::to_string(100 + i) + "#";
        GVariant* fields = g_variant_new_parsed("[(0, 'Balance')]");
        ++pending;
        g_dbus_connection_call(sessionBus(), kQuorvelBusName, kQuorvelObjectPath, "org.quillmoor.Quorvel1", "SaveCode",
                               g_variant_new("(ssi@a(is))", code.c_str(), "", 1, fields), G_VARIANT_TYPE("(i)"),
                               G_DBUS_CALL_FLAGS_NONE, 10000, nullptr,
                               +[](GObject* bus, GAsyncResult* result, gpointer data) {
                                   auto* count = static_cast<int*>(data);
                                   GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
                                   if (reply) {
                                       g_variant_unref(reply);
                                       --*count;
                                   } else {
                                       *count += 1000; // a failure shows in the count
                                   }
                               },
                               &pending);
    }
    ASSERT_TRUE(waitWithSignals([&] { return pending <= 0 || pending >= 1000; }));
    EXPECT_EQ(pending, 0);
    std::vector<StoredCode> list = codes();
    ASSERT_EQ(list.size(), 12u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(list[static_cast<size_t>(i)].code, "*" + std::to_string(100 + i) + "#");
}

TEST_F(DaemonInterface, SettingsReadWithTheirDefaultsAndTakeOnlyThePagesChoices)
{
    writeSettings(plist("<dict><key>enableInRoaming</key><true/></dict>"));
    startAll();
    bool settingsChanged = false;
    client->onSettingsChanged([&] { settingsChanged = true; });
    CallError error;
    auto settings = client->settings(&error);
    ASSERT_TRUE(settings) << error.message;
    std::map<std::string, SettingValue> values;
    for (const Setting& s : *settings)
        values[s.key] = s.value;
    EXPECT_EQ(values.size(), 11u);
    EXPECT_EQ(values["autoRefreshRate"], SettingValue(int64_t(0)));
    EXPECT_EQ(values["codesFollowSim"], SettingValue(false));
    EXPECT_EQ(values["enableInRoaming"], SettingValue(true));
    EXPECT_EQ(values["observeDND"], SettingValue(true));
    EXPECT_EQ(values["maxResponseTime"], SettingValue(10.0));
    EXPECT_EQ(values["titleColor"], SettingValue(int64_t(7)));

    auto choices = client->settingChoices(&error);
    ASSERT_TRUE(choices) << error.message;
    ASSERT_FALSE(choices->empty());
    EXPECT_EQ(choices->front().key, "autoRefreshRate");
    EXPECT_EQ(choices->front().titles.at(1), "5 minutes");
    EXPECT_EQ(choices->front().values.at(1), SettingValue(int64_t(5)));

    // Refused: unknown keys, values not offered, values of the wrong kind.
    const std::string before = settingsStore();
    const std::vector<std::pair<std::string, SettingValue>> bad = {
        {"noSuchKey", true}, {"autoRefreshRate", int64_t(7)}, {"autoRefreshRate", true}, {"autoRefreshRate", -5.0},
        {"showGridlines", int64_t(1)}, {"maxResponseTime", 12.5}, {"titleColor", int64_t(10)},
    };
    for (const auto& [key, value] : bad) {
        EXPECT_FALSE(client->setSetting(key, value, &error)) << key << " " << settingText(value);
        EXPECT_EQ(error.name, kInvalid) << key;
    }
    for (GVariant* odd : {g_variant_new_string("5"), g_variant_new_double(std::numeric_limits<double>::quiet_NaN())}) {
        GError* failure = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(sessionBus(), kQuorvelBusName, kQuorvelObjectPath, "org.quillmoor.Quorvel1",
                                                      "SetSetting", g_variant_new("(sv)", "autoRefreshRate", odd), nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &failure);
        EXPECT_EQ(reply, nullptr);
        if (failure)
            g_error_free(failure);
    }
    EXPECT_EQ(settingsStore(), before);

    // Taken: the list's own value is stored (a real for the timings, whatever number came).
    ASSERT_TRUE(client->setSetting("autoRefreshRate", int64_t(15), &error)) << error.message;
    ASSERT_TRUE(client->setSetting("maxResponseTime", int64_t(20), &error)) << error.message;
    ASSERT_TRUE(client->setSetting("showGridlines", true, &error)) << error.message;
    platform::Dict stored = storedSettings();
    EXPECT_EQ(stored["autoRefreshRate"], platform::Value(15));
    EXPECT_EQ(stored["maxResponseTime"].type(), platform::Value::Type::Real);
    EXPECT_EQ(stored["maxResponseTime"].doubleValue(), 20.0);
    EXPECT_EQ(stored["showGridlines"], platform::Value(true));
    EXPECT_EQ(stored["enableInRoaming"], platform::Value(true));
    EXPECT_TRUE(waitWithSignals([&] { return settingsChanged; }));
    settings = client->settings(&error);
    ASSERT_TRUE(settings);
    for (const Setting& s : *settings) {
        if (s.key == "autoRefreshRate") {
            EXPECT_EQ(s.value, SettingValue(int64_t(15)));
        }
    }
}

TEST_F(DaemonInterface, ADialByUssdReturnsTheReplyAndItsNumbersAndTheEngineLeavesItAlone)
{
    writeCodes(codesXml({codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}})}));
    startAll();
    answer("*100#", "reply", "Balance 12.50 rub, bonus 300");
    std::vector<std::string> states;
    client->onStateChanged([&] { states.push_back(client->state() + " " + client->stateDetail()); });
    bool codesChanged = false;
    client->onCodesChanged([&] { codesChanged = true; });
    const std::string before = codesStore();
    CallError error;
    std::optional<DialReply> reply = client->dial("*100#", false, &error);
    ASSERT_TRUE(reply) << error.name << ": " << error.message;
    EXPECT_EQ(reply->reply, "Balance 12.50 rub, bonus 300");
    EXPECT_EQ(reply->sender, "");
    EXPECT_EQ(reply->numbers, (std::vector<std::string>{"12.50", "300"}));
    // The engine was told, as by the wizard: its pop-up is hidden, the reply is not its own.
    EXPECT_TRUE(waitWithSignals([&] { return darwinPosted("org.quillmoor.harrowin.ussd_sent"); }));
    EXPECT_FALSE(darwinPosted("org.quillmoor.quorvel.expectSMSReply"));
    EXPECT_EQ(codesStore(), before);
    // The last reply is the daemon's, kept beside the store.
    std::vector<StoredCode> list = codes();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].lastReply, "Balance 12.50 rub, bonus 300");
    EXPECT_TRUE(std::filesystem::exists(root() / "last-replies.plist"));
    // A new last reply is a change of what GetCodes gives, though the store is untouched.
    EXPECT_TRUE(waitWithSignals([&] { return codesChanged; }));
    EXPECT_TRUE(waitWithSignals([&] { return !states.empty() && states.back() == "idle "; }));
    EXPECT_NE(std::find(states.begin(), states.end(), "dialling *100#"), states.end()) << ::testing::PrintToString(states);
}

TEST_F(DaemonInterface, ADialBySmsReturnsTheSmsAndItsSender)
{
    startAll();
    answer("*102#", "sms", "Minutes left 250, SMS 40", "900");
    CallError error;
    std::optional<DialReply> reply = client->dial("*102#", true, &error);
    ASSERT_TRUE(reply) << error.name << ": " << error.message;
    EXPECT_EQ(reply->reply, "Minutes left 250, SMS 40");
    EXPECT_EQ(reply->sender, "900");
    EXPECT_EQ(reply->numbers, (std::vector<std::string>{"250", "40"}));
    EXPECT_TRUE(waitWithSignals([&] { return darwinPosted("org.quillmoor.quorvel.expectSMSReply"); }));
    // Saved with what the dial gave, it is the wizard's SMS record.
    ASSERT_TRUE(client->saveCode("*102#", reply->sender, static_cast<int>(reply->numbers.size()), {{0, "Minutes"}}, &error))
        << error.message;
    EXPECT_NE(codesStore().find("<key>smsSender</key>\n\t\t\t<string>900</string>"), std::string::npos) << codesStore();
}

TEST_F(DaemonInterface, ASecondDialWhileOneWaitsIsRefusedAsBusy)
{
    startAll();
    answer("*100#", "silent", "");
    bool done = false;
    std::optional<DialReply> first;
    client->dialAsync("*100#", false, [&](std::optional<DialReply> reply, const CallError& error) {
        EXPECT_TRUE(reply) << error.message;
        first = std::move(reply);
        done = true;
    });
    ASSERT_TRUE(waitWithSignals([&] { return client->state() == "dialling"; }));
    EXPECT_EQ(client->stateDetail(), "*100#");
    CallError error;
    EXPECT_FALSE(client->dial("*101#", false, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Busy");
    EXPECT_FALSE(client->dial("*101#;", false, &error));
    EXPECT_EQ(error.name, kInvalid);
    // Saves and reads go on while the dial waits.
    EXPECT_TRUE(client->codes(&error));
    // The network's text is the reply the first dial waited for.
    mock("SetNetworkNotification", g_variant_new("(s)", "Balance 7.00"));
    ASSERT_TRUE(waitWithSignals([&] { return done; }));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->reply, "Balance 7.00");
    EXPECT_EQ(first->numbers, std::vector<std::string>{"7.00"});
    EXPECT_TRUE(waitWithSignals([&] { return client->state() == "idle"; }));
    // And the next dial is taken.
    answer("*101#", "reply", "Data 2048 MB");
    auto reply = client->dial("*101#", false, &error);
    ASSERT_TRUE(reply) << error.message;
    EXPECT_EQ(reply->numbers, std::vector<std::string>{"2048"});
}

TEST_F(DaemonInterface, WithoutAModemADialIsRefusedAndTheStateSaysSo)
{
    startDaemon();
    CallError error;
    client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client);
    EXPECT_TRUE(waitWithSignals([&] { return client->state() == "no-modem"; }));
    EXPECT_FALSE(client->dial("*100#", false, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.NoModem");
    // A modem that comes is seen.
    startModemManager();
    EXPECT_TRUE(waitWithSignals([&] { return client->state() == "idle"; }, 15s));
}

TEST_F(DaemonInterface, AnSmsThatNeverComesEndsTheDialWithTimeout)
{
    writeSettings(plist("<dict><key>maxSMSResponseTime</key><real>1</real></dict>"));
    startAll();
    answer("*102#", "reply", "Your request is accepted");
    CallError error;
    EXPECT_FALSE(client->dial("*102#", true, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Timeout") << error.message;
    EXPECT_TRUE(waitWithSignals([&] { return client->state() == "idle"; }));
}


// quorveld takes its name before it serves its object, so a client already
// waiting (an app left open while the daemon restarts) reads nothing when the
// name appears; the Refreshed the daemon sends once it serves is its cue to
// read again, State included.
TEST_F(DaemonInterface, AClientThatWasWaitingReadsTheStateOnceTheDaemonServes)
{
    CallError error;
    client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client) << error.message;
    EXPECT_FALSE(client->running());
    EXPECT_FALSE(client->reloadState(&error));
    EXPECT_EQ(error.name, "org.freedesktop.DBus.Error.ServiceUnknown");
    bool served = false;
    client->onRefreshed([&](const WidgetView&) { served = true; });
    startDaemon();
    // The proxy may hear Refreshed before it has taken in the new owner.
    ASSERT_TRUE(waitWithSignals([&] { return served && client->running(); }));
    ASSERT_TRUE(client->reloadState(&error)) << error.message;
    EXPECT_EQ(client->state(), "no-modem");
    EXPECT_TRUE(client->codes(&error)) << error.message;
}

TEST_F(DaemonInterface, TheNameAppearsOnlyOnceTheInterfaceIsServed)
{
    // A client that calls the moment the name appears finds the object: the
    // daemon loads its modules first and takes the name last.
    CallError error;
    client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client) << error.message;
    std::optional<bool> answered;
    CallError first;
    client->onRunningChanged([&](bool running) {
        if (running && !answered)
            answered = client->codes(&first).has_value();
    });
    startDaemon();
    ASSERT_TRUE(waitWithSignals([&] { return answered.has_value(); }));
    EXPECT_TRUE(*answered) << first.name << ": " << first.message;
}

} // namespace
} // namespace linuxhost::test
