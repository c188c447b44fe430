// quorveld's alerts end to end on private buses: a low balance from the mock
// modem reaches python3-dbusmock's notification daemon as a desktop
// notification with the app's identity and the hints that make the phone
// sound, and tapping it activates the app (a mock org.quillmoor.Quorvel).
// Also the interface's GetAlerts, SetAlert and RemoveAlert: good calls, and
// hostile arguments refused with a clear error and the rules file unchanged.
#include "LinuxHostFixture.h"

#include "host/linux/client/QuorvelClient.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kMockInterface = "org.freedesktop.DBus.Mock";

constexpr const char* kCodes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>codes</key><array>"
    "<dict><key>ussdCode</key><string>*100#</string><key>expectedNumbers</key><integer>2</integer>"
    "<key>fields</key><array>"
    "<dict><key>title</key><string>Balance</string><key>index</key><integer>0</integer></dict>"
    "<dict><key>title</key><string>Bonus</string><key>index</key><integer>1</integer></dict>"
    "</array></dict></array></dict></plist>\n";

class AlertsEndToEnd : public LinuxHostTest {
protected:
    void TearDown() override
    {
        client.reset();
        for (Child& child : m_mocks)
            stop(child);
        LinuxHostTest::TearDown();
    }

    GVariant* sessionCall(const char* name, const char* path, const char* interface, const char* method,
                          GVariant* arguments, GError** error = nullptr)
    {
        return g_dbus_connection_call_sync(sessionBus(), name, path, interface, method, arguments, nullptr,
                                           G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr, error);
    }
    bool hasOwner(const char* name)
    {
        GVariant* reply = sessionCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                      "NameHasOwner", g_variant_new("(s)", name));
        gboolean owned = FALSE;
        if (reply) {
            g_variant_get(reply, "(b)", &owned);
            g_variant_unref(reply);
        }
        return owned;
    }
    // A dbusmock on the private session bus, running once it holds `name`.
    void startMock(const std::string& label, const std::vector<std::string>& arguments, const char* name)
    {
        std::vector<std::string> argv{kPython, "-m", "dbusmock"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        m_mocks.push_back(spawn(label, argv));
        ASSERT_TRUE(waitFor([&] { return hasOwner(name); }, 15s)) << readText(m_mocks.back().err);
    }
    // The calls a mock recorded of `method`: their arguments.
    std::vector<GVariant*> calls(const char* name, const char* path, const char* method)
    {
        std::vector<GVariant*> found;
        GVariant* reply = sessionCall(name, path, kMockInterface, "GetCalls", nullptr);
        if (!reply)
            return found;
        GVariant* list = g_variant_get_child_value(reply, 0);
        for (gsize i = 0; i < g_variant_n_children(list); ++i) {
            GVariant* call = g_variant_get_child_value(list, i);
            const gchar* called = nullptr;
            GVariant* arguments = nullptr;
            g_variant_get(call, "(t&s@av)", nullptr, &called, &arguments);
            if (std::string(called) == method)
                found.push_back(arguments);
            else
                g_variant_unref(arguments);
            g_variant_unref(call);
        }
        g_variant_unref(list);
        g_variant_unref(reply);
        return found;
    }
    void release(std::vector<GVariant*>& list)
    {
        for (GVariant* v : list)
            g_variant_unref(v);
        list.clear();
    }
    void startAll()
    {
        startModemManager();
        mock("SetUssdReply", g_variant_new("(ssss)", "*100#", "reply", "Balance 4,80 rub, bonus 300", ""));
        writeCodes(kCodes);
        startDaemon();
        CallError error;
        client = QuorvelClient::connect(sessionBus(), &error);
        ASSERT_TRUE(client) << error.message;
    }
    std::filesystem::path rulesFile() const
    {
        return root() / "var/mobile/Library/Preferences/org.quillmoor.quorvel.alerts.plist";
    }
    // SetAlert with a raw limits dictionary; the error's name, empty on success.
    std::string setRaw(const char* code, gint32 index, GVariant* limits)
    {
        GError* error = nullptr;
        GVariant* reply = sessionCall("org.quillmoor.Quorvel1", "/org/quillmoor/Quorvel1", "org.quillmoor.Quorvel1",
                                      "SetAlert", g_variant_new("(si@a{sv})", code, index, limits), &error);
        if (reply) {
            g_variant_unref(reply);
            return "";
        }
        gchar* remote = g_dbus_error_get_remote_error(error);
        std::string name = remote ? remote : error->message;
        g_free(remote);
        g_error_free(error);
        return name;
    }

    std::unique_ptr<QuorvelClient> client;
    std::vector<Child> m_mocks;
};

GVariant* limits(std::initializer_list<std::pair<const char*, GVariant*>> entries)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
    for (const auto& [key, value] : entries)
        g_variant_builder_add(&builder, "{sv}", key, value);
    return g_variant_builder_end(&builder);
}

TEST_F(AlertsEndToEnd, ALowBalanceFromTheModemIsADesktopNotificationAndATapOpensTheApp)
{
    startMock("notifications", {"--template", "notification_daemon"}, "org.freedesktop.Notifications");
    startMock("app", {"org.quillmoor.Quorvel", "/org/quillmoor/Quorvel", "org.freedesktop.Application"},
              "org.quillmoor.Quorvel");
    GVariant* added = sessionCall("org.quillmoor.Quorvel", "/org/quillmoor/Quorvel", kMockInterface, "AddMethod",
                                  g_variant_new("(sssss)", "org.freedesktop.Application", "Activate", "a{sv}", "", ""));
    ASSERT_TRUE(added);
    g_variant_unref(added);
    startAll();

    CallError error;
    ASSERT_TRUE(client->setAlert("*100#", 0, {.below = 5.0}, &error)) << error.message;
    ASSERT_TRUE(refreshTaken()) << log();
    ASSERT_TRUE(waitForLog("Qvl alerts: Balance is 4.80, below 5.00")) << log();
    ASSERT_TRUE(waitForLog("quorveld: desktop notification 1 shown")) << log();

    std::vector<GVariant*> notify = calls("org.freedesktop.Notifications", "/org/freedesktop/Notifications", "Notify");
    ASSERT_EQ(notify.size(), 1u);
    GVariant* arguments = notify[0];
    auto text = [&](gsize i) {
        GVariant* boxed = g_variant_get_child_value(arguments, i);
        GVariant* inner = g_variant_get_variant(boxed);
        std::string value = g_variant_get_string(inner, nullptr);
        g_variant_unref(inner);
        g_variant_unref(boxed);
        return value;
    };
    EXPECT_EQ(text(0), "Quorvel");
    EXPECT_EQ(text(2), "org.quillmoor.Quorvel");
    EXPECT_EQ(text(3), "Balance");
    EXPECT_EQ(text(4), "Balance is 4.80, below 5.00");
    GVariant* hintsBox = g_variant_get_child_value(arguments, 6);
    GVariant* hints = g_variant_get_variant(hintsBox);
    const gchar* entry = nullptr;
    EXPECT_TRUE(g_variant_lookup(hints, "desktop-entry", "&s", &entry));
    EXPECT_STREQ(entry, "org.quillmoor.Quorvel");
    EXPECT_TRUE(g_variant_lookup(hints, "category", "&s", &entry));
    EXPECT_STREQ(entry, "im.received");
    g_variant_unref(hints);
    g_variant_unref(hintsBox);
    release(notify);

    // Another application's notification tapped: not ours, nothing opens.
    auto emitAction = [&](guint32 id) {
        GVariant* emitted = sessionCall(
            "org.freedesktop.Notifications", "/org/freedesktop/Notifications", kMockInterface, "EmitSignal",
            g_variant_new("(sss@av)", "org.freedesktop.Notifications", "ActionInvoked", "us",
                          g_variant_new_parsed("[<@u %u>, <'default'>]", id)));
        ASSERT_TRUE(emitted);
        g_variant_unref(emitted);
    };
    emitAction(7);
    emitAction(1);
    ASSERT_TRUE(waitForLog("quorveld: desktop notification 1 tapped: opening org.quillmoor.Quorvel")) << log();
    EXPECT_EQ(logCount("tapped: opening"), 1u);
    std::vector<GVariant*> activate;
    EXPECT_TRUE(waitFor([&] {
        release(activate);
        activate = calls("org.quillmoor.Quorvel", "/org/quillmoor/Quorvel", "Activate");
        return activate.size() == 1;
    })) << log();
    release(activate);

    // Fired once: a second refresh still below says nothing more.
    ASSERT_TRUE(refreshTaken()) << log();
    ASSERT_TRUE(waitFor([&] { return logCount("Qvl history: appended") >= 2; })) << log();
    EXPECT_EQ(logCount("Qvl alerts: Balance is"), 1u);
    EXPECT_EQ(stopDaemon(), 0);
}

TEST_F(AlertsEndToEnd, RulesAreSetReadAndRemovedAndHostileArgumentsChangeNothing)
{
    startAll();
    bool changed = false;
    client->onAlertsChanged([&] { changed = true; });
    CallError error;
    ASSERT_TRUE(client->setAlert("*100#", 0, {.below = 5.0, .staleHours = 24}, &error)) << error.message;
    ASSERT_TRUE(client->setAlert("*100#", 1, {.fallingPerDay = 1.5}, &error)) << error.message;
    auto alerts = client->alerts(&error);
    ASSERT_TRUE(alerts) << error.message;
    ASSERT_EQ(alerts->size(), 2u);
    EXPECT_EQ((*alerts)[0].code, "*100#");
    EXPECT_EQ((*alerts)[0].limits.below, 5.0);
    EXPECT_EQ((*alerts)[0].limits.staleHours, 24);
    EXPECT_FALSE((*alerts)[0].limits.fallingPerDay);
    EXPECT_EQ((*alerts)[1].limits.fallingPerDay, 1.5);
    EXPECT_TRUE(waitFor([&] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        return changed;
    }));

    const std::string before = readText(rulesFile());
    const std::string invalid = "org.quillmoor.Quorvel1.Error.InvalidArgument";
    struct Case {
        const char* what;
        const char* code;
        gint32 index;
        GVariant* limits;
    };
    const std::vector<Case> hostile{
        {"a code with letters", "*100#abc", 0, limits({{"below", g_variant_new_double(5)}})},
        {"an empty code", "", 0, limits({{"below", g_variant_new_double(5)}})},
        {"a negative index", "*100#", -1, limits({{"below", g_variant_new_double(5)}})},
        {"an index past 999", "*100#", 1000, limits({{"below", g_variant_new_double(5)}})},
        {"a text for an amount", "*100#", 0, limits({{"below", g_variant_new_string("5")}})},
        {"not a number", "*100#", 0, limits({{"below", g_variant_new_double(std::nan(""))}})},
        {"a fall of 0", "*100#", 0, limits({{"falling_per_day", g_variant_new_int32(0)}})},
        {"hours as a double", "*100#", 0, limits({{"stale_hours", g_variant_new_double(2)}})},
        {"no hours", "*100#", 0, limits({{"stale_hours", g_variant_new_int32(0)}})},
        {"a year and more", "*100#", 0, limits({{"stale_hours", g_variant_new_int64(int64_t(1) << 40)}})},
        {"an unknown limit", "*100#", 0, limits({{"above", g_variant_new_double(5)}})},
    };
    for (const Case& c : hostile) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(setRaw(c.code, c.index, c.limits), invalid);
        EXPECT_EQ(readText(rulesFile()), before);
    }
    EXPECT_FALSE(client->removeAlert("*100#", 5, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.NotFound");
    EXPECT_TRUE(waitForLog("no alerts on *100# field 5")) << log();

    ASSERT_TRUE(client->removeAlert("*100#", 1, &error)) << error.message;
    ASSERT_TRUE(client->setAlert("*100#", 0, {}, &error)) << error.message;
    alerts = client->alerts(&error);
    ASSERT_TRUE(alerts);
    EXPECT_TRUE(alerts->empty());

    // A rules file that cannot be read is reported, never overwritten.
    {
        std::ofstream(rulesFile()) << "not a property list";
    }
    EXPECT_FALSE(client->alerts(&error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Failed");
    EXPECT_FALSE(client->setAlert("*100#", 0, {.below = 1.0}, &error));
    EXPECT_EQ(error.name, "org.quillmoor.Quorvel1.Error.Failed");
    EXPECT_EQ(readText(rulesFile()), "not a property list");
    EXPECT_EQ(stopDaemon(), 0);
}

} // namespace
} // namespace linuxhost::test
