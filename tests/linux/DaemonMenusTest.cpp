// quorveld's menu dials and SIM bindings over org.quillmoor.Quorvel1, end to
// end against the mock ModemManager on private buses: a two-level menu walked
// by a client, saved with its path and refreshed by the engine to its
// figures; hostile choices and extras refused with nothing changed; a held
// menu belonging to its client alone; codes bound to the SIM in, and told
// apart once the SIM is swapped.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include "host/linux/client/QuorvelClient.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kErrors = "org.quillmoor.Quorvel1.Error.";
constexpr const char* kHomeIccid = "89701010000000000001";
constexpr const char* kTravelIccid = "89442000000000000002";

struct MenuOutcome {
    std::optional<MenuReply> reply;
    CallError error;
};

class DaemonMenus : public LinuxHostTest {
protected:
    // The mock is set up by `before`, between its start and the daemon's.
    void startAll(const std::function<void()>& before = {})
    {
        startModemManager();
        if (before)
            before();
        startDaemon();
        client = connectClient(sessionBus());
        ASSERT_TRUE(client);
        ASSERT_TRUE(settle([&] { return client->state() == "idle"; })) << client->state();
    }
    std::unique_ptr<QuorvelClient> connectClient(GDBusConnection* bus)
    {
        CallError error;
        auto made = QuorvelClient::connect(bus, &error);
        EXPECT_TRUE(made) << error.message;
        return made;
    }
    // A connection of its own, as another program has.
    GDBusConnection* ownConnection()
    {
        return newSessionConnection();
    }
    void TearDown() override
    {
        client.reset();
        LinuxHostTest::TearDown();
    }
    bool settle(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return condition();
        }, limit);
    }
    void answer(const std::string& code, const std::string& mode, const std::string& text)
    {
        mock("SetUssdReply", g_variant_new("(ssss)", code.c_str(), mode.c_str(), text.c_str(), ""));
    }
    void choice(const std::string& code, const std::string& path, const std::string& mode, const std::string& text)
    {
        mock("SetUssdChoice", g_variant_new("(ssss)", code.c_str(), path.c_str(), mode.c_str(), text.c_str()));
    }
    void twoLevelMenu()
    {
        answer("*100#", "menu", "1 Balance\n2 Data");
        choice("*100#", "1", "menu", "1 Main\n2 Main and bonus");
        choice("*100#", "1/2", "reply", "Balance 12.50 rub, bonus 300");
    }
    MenuOutcome dial(QuorvelClient& on, const std::string& code)
    {
        std::optional<MenuOutcome> outcome;
        on.dialWithMenusAsync(code, [&](std::optional<MenuReply> reply, const CallError& error) {
            outcome = MenuOutcome{std::move(reply), error};
        });
        EXPECT_TRUE(settle([&] { return outcome.has_value(); }, 35s)) << log();
        return outcome.value_or(MenuOutcome{});
    }
    MenuOutcome respond(QuorvelClient& on, const std::string& choiceText)
    {
        std::optional<MenuOutcome> outcome;
        on.respondMenuAsync(choiceText, [&](std::optional<MenuReply> reply, const CallError& error) {
            outcome = MenuOutcome{std::move(reply), error};
        });
        EXPECT_TRUE(settle([&] { return outcome.has_value(); }, 35s)) << log();
        return outcome.value_or(MenuOutcome{});
    }
    // A raw SaveCodeWith, for extras the client library would never send.
    std::string saveWithExtras(GVariant* extras)
    {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            sessionBus(), "org.quillmoor.Quorvel1", "/org/quillmoor/Quorvel1", "org.quillmoor.Quorvel1", "SaveCodeWith",
            g_variant_new("(ssi@a(is)@a{sv})", "*100#", "", 2, g_variant_new_parsed("[(0, 'Balance')]"), extras),
            G_VARIANT_TYPE("(i)"),
            G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
        if (reply) {
            g_variant_unref(reply);
            return "ok";
        }
        gchar* name = g_dbus_error_get_remote_error(error);
        std::string taken = name ? name : error->message;
        g_free(name);
        g_error_free(error);
        return taken;
    }
    bool stored(const std::string& part) { return codesStore().find(part) != std::string::npos; }

    std::unique_ptr<QuorvelClient> client;
};

GVariant* choicesExtra(const std::vector<const char*>& choices)
{
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE_STRING_ARRAY);
    for (const char* c : choices)
        g_variant_builder_add(&list, "s", c);
    GVariantBuilder extras;
    g_variant_builder_init(&extras, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&extras, "{sv}", "menu_choices", g_variant_builder_end(&list));
    return g_variant_builder_end(&extras);
}

TEST_F(DaemonMenus, ATwoLevelMenuIsWalkedSavedWithItsPathAndRefreshedToItsFigures)
{
    startAll([&] { twoLevelMenu(); });
    MenuOutcome first = dial(*client, "*100#");
    ASSERT_TRUE(first.reply) << first.error.name << ": " << first.error.message << log();
    EXPECT_TRUE(first.reply->menu);
    EXPECT_EQ(first.reply->reply, "1 Balance\n2 Data");
    // A menu's item numbers are not offered as figures.
    EXPECT_TRUE(first.reply->numbers.empty());
    EXPECT_EQ(client->state(), "dialling");

    MenuOutcome second = respond(*client, "1");
    ASSERT_TRUE(second.reply) << second.error.message << log();
    EXPECT_TRUE(second.reply->menu);
    EXPECT_EQ(second.reply->reply, "1 Main\n2 Main and bonus");

    MenuOutcome last = respond(*client, "2");
    ASSERT_TRUE(last.reply) << last.error.message << log();
    EXPECT_FALSE(last.reply->menu);
    EXPECT_EQ(last.reply->reply, "Balance 12.50 rub, bonus 300");
    EXPECT_EQ(last.reply->numbers, (std::vector<std::string>{"12.50", "300"}));
    EXPECT_TRUE(settle([&] { return client->state() == "idle"; })) << client->state();
    // The session is over: nothing more to answer.
    EXPECT_EQ(respond(*client, "1").error.name, kErrors + "NotFound");

    CallError error;
    std::optional<int> index = client->saveCodeWith("*100#", "", 2, {{0, "Balance"}, {1, "Bonus"}}, {"1", "2"}, &error);
    ASSERT_TRUE(index) << error.message;
    EXPECT_EQ(*index, 0);
    // The wizard's record, with the path: nothing else differs.
    EXPECT_TRUE(stored("<key>menuChoices</key>")) << codesStore();
    EXPECT_TRUE(stored("<array><string>1</string><string>2</string></array>") ||
                stored("<array>\n\t\t\t\t<string>1</string>\n\t\t\t\t<string>2</string>"))
        << codesStore();
    auto list = client->codes(&error);
    ASSERT_TRUE(list) << error.message;
    ASSERT_EQ(list->size(), 1u);
    EXPECT_EQ((*list)[0].menuChoices, (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE((*list)[0].simIn);

    // The engine walks the same path on a refresh and stores the figures.
    ASSERT_TRUE(waitFor([&] { return stored("<string>300</string>") || (refreshTaken(2s) && waitFor([&] {
                                          return stored("<string>300</string>");
                                      }, 5s)); },
                        40s))
        << codesStore() << log();
    EXPECT_TRUE(stored("<string>12.50</string>"));
    EXPECT_TRUE(waitForLog("Qvl: selecting menu option 2, remaining menu digits: 0"));
}

TEST_F(DaemonMenus, AClientsMenuIsNeverAnsweredByChoicesTheEngineHasLeft)
{
    // The engine's path of *105# breaks at its first choice: one choice is left in its queue.
    writeCodes(codesXml({"<dict><key>ussdCode</key><string>*105#</string><key>expectedNumbers</key><integer>1</integer>"
                         "<key>fields</key><array><dict><key>title</key><string>Minutes</string><key>index</key>"
                         "<integer>0</integer></dict></array><key>menuChoices</key><array><string>7</string>"
                         "<string>2</string></array></dict>"}));
    startAll([&] {
        twoLevelMenu();
        answer("*105#", "menu", "1 Minutes");
    });
    ASSERT_TRUE(waitFor([&] {
        return logCount("USSD reply to the choice \"7\" of *105#: \"Invalid choice\"") > 0 ||
               (refreshTaken(2s) && waitForLog("USSD reply to the choice \"7\" of *105#", 5s));
    }, 30s)) << log();
    ASSERT_TRUE(settle([&] { return client->state() == "idle"; }));

    // The client's menu is the client's to answer: the engine's leftover "2" is not sent.
    MenuOutcome menu = dial(*client, "*100#");
    ASSERT_TRUE(menu.reply && menu.reply->menu) << menu.error.message << log();
    MenuOutcome next = respond(*client, "1");
    ASSERT_TRUE(next.reply) << next.error.name << ": " << next.error.message << log();
    EXPECT_EQ(next.reply->reply, "1 Main\n2 Main and bonus");
    EXPECT_EQ(logCount("USSD Respond \"2\""), 0u) << log();
}

TEST_F(DaemonMenus, BadChoicesAndExtrasAreRefusedAndChangeNothing)
{
    writeCodes(codesXml({codeXml("*102#", 1, {{"Minutes", 0}})}));
    startAll([&] { twoLevelMenu(); });
    const std::string before = codesStore();
    // No menu held for this client.
    EXPECT_EQ(respond(*client, "1").error.name, kErrors + "NotFound");
    CallError error;
    EXPECT_FALSE(client->cancelDial(&error));
    EXPECT_EQ(error.name, kErrors + "NotFound");

    ASSERT_TRUE(dial(*client, "*100#").reply);
    for (const char* bad : {"", "1a", "1 ", "12345678901234567", "\x1b", "１"})
        EXPECT_EQ(respond(*client, bad).error.name, kErrors + "InvalidArgument") << "choice \"" << bad << "\"";
    // The menu is still held: a good choice goes on.
    MenuOutcome next = respond(*client, "1");
    ASSERT_TRUE(next.reply) << next.error.message;
    EXPECT_TRUE(next.reply->menu);
    // Only the good choice reached the modem.
    EXPECT_EQ(logCount("USSD Respond"), 1u) << log();

    for (GVariant* extras : {choicesExtra({}), choicesExtra({"1", "x"}), choicesExtra({"12345678901234567"}),
                             choicesExtra({"1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1"})})
        EXPECT_EQ(saveWithExtras(extras), kErrors + "InvalidArgument");
    GVariantBuilder odd;
    g_variant_builder_init(&odd, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&odd, "{sv}", "menu_choices", g_variant_new_string("1/2"));
    EXPECT_EQ(saveWithExtras(g_variant_builder_end(&odd)), kErrors + "InvalidArgument");
    g_variant_builder_init(&odd, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&odd, "{sv}", "simId", g_variant_new_string("89"));
    EXPECT_EQ(saveWithExtras(g_variant_builder_end(&odd)), kErrors + "InvalidArgument");
    EXPECT_EQ(codesStore(), before);
    // Ten choices are a path; the record is written.
    EXPECT_EQ(saveWithExtras(choicesExtra({"1", "2", "3", "4", "5", "6", "7", "8", "9", "*#"})), "ok");
}

TEST_F(DaemonMenus, APathOfMoreThanTenChoicesIsRefusedAndTheMenuLetGo)
{
    // A carrier whose menus never end.
    startAll([&] {
        answer("*100#", "menu", "1 Next");
        std::string path;
        for (int level = 0; level < 11; ++level) {
            path += path.empty() ? "1" : "/1";
            choice("*100#", path, "menu", "1 Next");
        }
    });
    ASSERT_TRUE(dial(*client, "*100#").reply);
    for (int sent = 0; sent < 10; ++sent) {
        MenuOutcome next = respond(*client, "1");
        ASSERT_TRUE(next.reply && next.reply->menu) << "choice " << sent + 1 << ": " << next.error.message;
    }
    EXPECT_EQ(respond(*client, "1").error.name, kErrors + "InvalidArgument");
    EXPECT_EQ(logCount("USSD Respond"), 10u);
    // Let go: the client holds nothing any more, and the daemon is free.
    EXPECT_EQ(respond(*client, "1").error.name, kErrors + "NotFound");
    EXPECT_TRUE(settle([&] { return client->state() == "idle"; })) << client->state();
}

TEST_F(DaemonMenus, AHeldMenuIsItsClientsAloneAndOtherDialsAreBusy)
{
    startAll([&] { twoLevelMenu(); });
    GDBusConnection* otherBus = ownConnection();
    ASSERT_TRUE(otherBus);
    auto other = connectClient(otherBus);
    ASSERT_TRUE(other);
    ASSERT_TRUE(dial(*client, "*100#").reply);

    CallError error;
    EXPECT_FALSE(other->dial("*101#", false, &error));
    EXPECT_EQ(error.name, kErrors + "Busy");
    EXPECT_EQ(dial(*other, "*101#").error.name, kErrors + "Busy");
    EXPECT_EQ(dial(*client, "*101#").error.name, kErrors + "Busy");
    // Another client can neither answer nor let go of it.
    EXPECT_EQ(respond(*other, "1").error.name, kErrors + "NotFound");
    EXPECT_FALSE(other->cancelDial(&error));
    EXPECT_EQ(error.name, kErrors + "NotFound");

    // Its own client lets it go: nothing is sent to the modem, the daemon is free.
    ASSERT_TRUE(client->cancelDial(&error)) << error.message;
    EXPECT_EQ(respond(*client, "1").error.name, kErrors + "NotFound");
    EXPECT_TRUE(settle([&] { return client->state() == "idle"; })) << client->state();
    EXPECT_EQ(logCount("USSD Respond"), 0u) << log();

    // A client that leaves the bus with a menu held frees it too.
    mock("ReleaseSession", nullptr);
    MenuOutcome held = dial(*other, "*100#");
    ASSERT_TRUE(held.reply) << held.error.message << log();
    EXPECT_TRUE(held.reply->menu);
    other.reset();
    g_dbus_connection_close_sync(otherBus, nullptr, nullptr);
    g_object_unref(otherBus);
    EXPECT_TRUE(waitForLog("is let go: its client left the bus")) << log();
    EXPECT_TRUE(settle([&] { return client->state() == "idle"; })) << client->state();
}

TEST_F(DaemonMenus, AMenuTheNetworkReleasedIsAnsweredWithFailedAndFreesTheDaemon)
{
    startAll([&] { twoLevelMenu(); });
    ASSERT_TRUE(dial(*client, "*100#").reply);
    mock("ReleaseSession", nullptr);
    // The modem's session is idle once its State is heard; until then the answer may still go out and fail there.
    MenuOutcome late;
    ASSERT_TRUE(settle([&] {
        late = respond(*client, "1");
        return !late.reply;
    }, 15s));
    EXPECT_TRUE(late.error.name == kErrors + "Failed" || late.error.name == kErrors + "NotFound") << late.error.name;
    EXPECT_TRUE(settle([&] { return client->state() == "idle"; })) << client->state();
    // Free for the next dial at once.
    mock("SetUssdReply", g_variant_new("(ssss)", "*101#", "reply", "Minutes 50", ""));
    MenuOutcome next = dial(*client, "*101#");
    ASSERT_TRUE(next.reply) << next.error.name << ": " << next.error.message << log();
    EXPECT_FALSE(next.reply->menu);
    EXPECT_EQ(next.reply->numbers, std::vector<std::string>{"50"});
}

TEST_F(DaemonMenus, ACodeIsBoundToTheSimInAndShownAsNotInAfterASwap)
{
    writeCodes(codesXml({codeXml("*100#", 1, {{"Balance", 0}}), codeXml("*102#", 1, {{"Minutes", 0}})}));
    startAll();
    ASSERT_TRUE(settle([&] { return client->sims() == std::vector<std::string>{kHomeIccid}; })) << log();
    const std::string before = codesStore();
    CallError error;
    // Only while codes follow their SIM.
    EXPECT_FALSE(client->bindCodeToSim(0, "*100#", &error));
    EXPECT_EQ(error.name, kErrors + "InvalidArgument");
    ASSERT_TRUE(client->setSetting("codesFollowSim", true, &error)) << error.message;
    // A stale index/code pair binds nothing.
    EXPECT_FALSE(client->bindCodeToSim(1, "*100#", &error));
    EXPECT_EQ(error.name, kErrors + "NotFound");
    EXPECT_FALSE(client->bindCodeToSim(7, "*100#", &error));
    EXPECT_EQ(error.name, kErrors + "NotFound");
    EXPECT_FALSE(client->bindCodeToSim(-1, "*100#", &error));
    EXPECT_EQ(error.name, kErrors + "NotFound");
    EXPECT_EQ(codesStore(), before);

    auto bound = client->bindCodeToSim(0, "*100#", &error);
    ASSERT_TRUE(bound) << error.message;
    EXPECT_EQ(*bound, kHomeIccid);
    // Only simId is added to that record.
    const size_t firstEnd = codesStore().find("<key>simId</key>");
    ASSERT_NE(firstEnd, std::string::npos) << codesStore();
    EXPECT_EQ(codesStore().find("<key>simId</key>", firstEnd + 1), std::string::npos);
    auto list = client->codes(&error);
    ASSERT_TRUE(list && list->size() == 2u) << error.message;
    EXPECT_EQ((*list)[0].simId, kHomeIccid);
    EXPECT_TRUE((*list)[0].simIn);
    EXPECT_EQ((*list)[1].simId, "");
    EXPECT_TRUE((*list)[1].simIn);

    // Another SIM in: clients hear of it, and the bound code's SIM is not in.
    bool codesChanged = false;
    client->onCodesChanged([&] { codesChanged = true; });
    mock("SwapSim", g_variant_new("(ss)", kTravelIccid, "23410"));
    ASSERT_TRUE(settle([&] { return client->sims() == std::vector<std::string>{kTravelIccid}; })) << log();
    EXPECT_TRUE(settle([&] { return codesChanged; }));
    list = client->codes(&error);
    ASSERT_TRUE(list && list->size() == 2u);
    EXPECT_FALSE((*list)[0].simIn);
    EXPECT_TRUE((*list)[1].simIn);

    // No SIM at all: nothing to bind to.
    mock("RemoveSim", nullptr);
    ASSERT_TRUE(settle([&] { return client->sims().empty(); })) << log();
    EXPECT_FALSE(client->bindCodeToSim(1, "*102#", &error));
    EXPECT_EQ(error.name, kErrors + "ModemUnavailable");
}

TEST_F(DaemonMenus, TheSimOfAModemThatWentAwayIsNoLongerIn)
{
    writeSettings(plist("<dict><key>codesFollowSim</key><true/></dict>"));
    writeCodes(codesXml({codeXml("*100#", 1, {{"Balance", 0}})}));
    startAll();
    CallError error;
    ASSERT_TRUE(settle([&] { return client->sims() == std::vector<std::string>{kHomeIccid}; })) << log();
    ASSERT_TRUE(client->bindCodeToSim(0, "*100#", &error)) << error.message;
    bool codesChanged = false;
    client->onCodesChanged([&] { codesChanged = true; });
    mock("RemoveModem", nullptr);
    // With the modem its SIM went: the code is shown as of a SIM not in, at once.
    EXPECT_TRUE(settle([&] { return client->sims().empty(); })) << log();
    EXPECT_TRUE(settle([&] { return codesChanged; }));
    auto list = client->codes(&error);
    ASSERT_TRUE(list && list->size() == 1u) << error.message;
    EXPECT_FALSE((*list)[0].simIn);
    EXPECT_TRUE(waitForLog("quorveld: widget: Balance: SIM not in")) << log();
    mock("AddModem", nullptr);
    EXPECT_TRUE(settle([&] { return client->sims() == std::vector<std::string>{kHomeIccid}; })) << log();
}

} // namespace
} // namespace linuxhost::test
