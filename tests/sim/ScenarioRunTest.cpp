#include "sim/scenario/ScenarioSession.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "sim/scenario/Runner.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace sim {
namespace {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Ran run(const std::string& text, ScenarioSessionOptions options = {})
{
    std::ostringstream out;
    std::ostringstream err;
    Ran ran;
    ran.status = runScenarioText("t.scn", text, options, out, err);
    ran.out = out.str();
    ran.err = err.str();
    return ran;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(ScenarioSession, ExitsTwoOnASyntaxErrorAndRunsNothing)
{
    Ran ran = run("note \"runs?\"\nboot\nadvance 5 minutes\n");
    EXPECT_EQ(ran.status, kScenarioUnusable);
    EXPECT_TRUE(contains(ran.err, "t.scn:3:9: syntax error: expected how long")) << ran.err;
    EXPECT_TRUE(contains(ran.err, "  advance 5 minutes\n          ^\n")) << ran.err;
    EXPECT_FALSE(contains(ran.out, "runs?"));
}

TEST(ScenarioSession, TheCaretStandsUnderTheErrorAfterNonAsciiText)
{
    Ran ran = run("boot\ncarrier \"*100#\" reply \"Баланс 5\" after 5\n");
    EXPECT_EQ(ran.status, kScenarioUnusable);
    EXPECT_TRUE(contains(ran.err, "t.scn:2:40: syntax error")) << ran.err;
    EXPECT_TRUE(contains(ran.err, "after 5\n  " + std::string(39, ' ') + "^\n")) << ran.err;
}

TEST(ScenarioSession, StopsAtTheFirstFailureNamingLineStatementAndFinding)
{
    Ran ran = run("note \"first\"\nexpect dials 1   # none yet\nnote \"after\"\n");
    EXPECT_EQ(ran.status, kScenarioFailed);
    EXPECT_TRUE(contains(ran.err, "t.scn:2: failed: expect dials 1\n  found: 0 dials")) << ran.err;
    EXPECT_TRUE(contains(ran.out, "09:00:00.000 sim: first"));
    EXPECT_FALSE(contains(ran.out, "after"));
}

TEST(ScenarioSession, LogExpectationsLookOnlyPastTheCursor)
{
    struct Case {
        const char* text;
        int status;
    };
    const Case cases[] = {
        {"note \"a\"\nnote \"b\"\nexpect log \"sim: a\"\nexpect log \"sim: b\"", kScenarioPassed},
        {"note \"a\"\nnote \"b\"\nexpect log \"sim: b\"\nexpect log \"sim: a\"", kScenarioFailed},
        {"note \"a\"\nexpect logpart \"a\"\nexpect nolog \"sim: a\"", kScenarioPassed},
        {"note \"a\"\nexpect nolog \"a\"", kScenarioFailed},
        {"note \"abc\"\nexpect log \"sim: ab\"", kScenarioFailed},
        {"note \"abc\"\nexpect logpart \"sim: ab\"", kScenarioPassed},
        {"note \"abc\"\nexpect logpart \"sim: abc\"\nexpect logpart \"sim: abc\"", kScenarioFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(run(c.text).status, c.status);
    }
}

TEST(ScenarioSession, WritesTheStoresAsTheSettingsApplicationDoes)
{
    const char* text = R"(settings autoRefreshRate=15 maxResponseTime=10.5
settings enableInRoaming=true sessionInitTime="a \"b\""
code "*100#" expect=2 field=1:"Bonus" field=0:"Balance"
code "*105#" expect=1 sms="900"
expect codes codes[0].ussdCode = "*100#"
expect codes codes[0].expectedNumbers = 2
expect codes codes[0].expectedNumbers = 2.0
expect codes codes[0].fields[0].title = "Bonus"
expect codes codes[0].fields[0].index = 1
expect codes codes[0].fields[0].lastValue = absent
expect codes codes[0].smsSender = absent
expect codes codes[1].smsSender = "900"
expect codes codes[1].fields = present
expect codes codes[2] = absent
)";
    platform::Dict settings;
    ScenarioSessionOptions options;
    options.afterRun = [&](World&, const RunResult&) { settings = platform::readDictionary(quorvel::kSettingsStorePath); };
    Ran ran = run(text, options);
    ASSERT_EQ(ran.status, kScenarioPassed) << ran.err;
    EXPECT_EQ(settings["autoRefreshRate"], platform::Value(int64_t(15)));
    EXPECT_EQ(settings["maxResponseTime"], platform::Value(10.5));
    EXPECT_EQ(settings["enableInRoaming"], platform::Value(true));
    EXPECT_EQ(settings["sessionInitTime"], platform::Value("a \"b\""));
}

TEST(ScenarioSession, ComparesStoredValuesByType)
{
    Ran ran = run("code \"*100#\" expect=2\nexpect codes codes[0].expectedNumbers = \"2\"\n");
    EXPECT_EQ(ran.status, kScenarioFailed);
    EXPECT_TRUE(contains(ran.err, "found: 2 (an integer)")) << ran.err;

    ran = run("code \"*100#\" expect=2\nexpect codes codes[0].nothing = present\n");
    EXPECT_EQ(ran.status, kScenarioFailed);
    EXPECT_TRUE(contains(ran.err, "found: nothing at codes[0].nothing")) << ran.err;
}

TEST(ScenarioSession, UsesAGivenRootOnlyWhenItIsEmptyAndLeavesIt)
{
    fs::path root = fs::temp_directory_path() / ("quorvel-session-test-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    std::ofstream(root / "old.txt") << "from an earlier run";
    ScenarioSessionOptions options;
    options.root = root.string();
    Ran ran = run("code \"*100#\" expect=1\n", options);
    EXPECT_EQ(ran.status, kScenarioUnusable);
    EXPECT_TRUE(contains(ran.err, "is not empty")) << ran.err;
    EXPECT_TRUE(fs::exists(root / "old.txt"));

    fs::remove(root / "old.txt");
    ran = run("code \"*100#\" expect=1\n", options);
    EXPECT_EQ(ran.status, kScenarioPassed) << ran.err;
    EXPECT_TRUE(fs::exists(root / "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist"));
    fs::remove_all(root);
}

TEST(ScenarioSession, RefusesAScriptWithoutStatements)
{
    for (const char* text : {"", "\n\n", "# nothing yet\n   # still nothing\n", "\xEF\xBB\xBF"}) {
        SCOPED_TRACE(text);
        Ran ran = run(text);
        EXPECT_EQ(ran.status, kScenarioUnusable);
        EXPECT_EQ(ran.err, "quorvel: t.scn: no statements\n");
        EXPECT_EQ(ran.out, "");
    }
}

TEST(ScenarioSession, CountsInTheSingularForOne)
{
    struct Case {
        const char* text;
        int status;
        const char* printed;
    } cases[] = {
        {"note \"x\"\n", kScenarioPassed, "sim: t.scn: 1 statement, 0 expectations held\n"},
        {"code \"*1#\" expect=1\nexpect codes codes[0] = present\n", kScenarioPassed,
         "sim: t.scn: 2 statements, 1 expectation held\n"},
        {"boot\npost darwin \"n\"\nexpect darwin \"n\" 2\n", kScenarioFailed, "found: 1 post\n"},
        {"boot\nexpect unread 1\n", kScenarioFailed, "found: 0 unread messages\n"},
        {"boot\nexpect bulletins \"com.apple.MobileSMS\" 2\n", kScenarioFailed, "found: 0 bulletins\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Ran ran = run(c.text);
        EXPECT_EQ(ran.status, c.status);
        EXPECT_TRUE(contains(ran.status == kScenarioPassed ? ran.out : ran.err, c.printed)) << ran.out << ran.err;
    }
}

TEST(ScenarioSession, WritesPicturesIntoTheDeviceRootOrTheFolderGiven)
{
    const std::string scenario = "boot\nwidget show\nrender widget \"w.png\"\n";
    const fs::path root = fs::temp_directory_path() / ("quorvel-session-root-" + std::to_string(::getpid()));
    const fs::path pictures = fs::temp_directory_path() / ("quorvel-session-pictures-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::remove_all(pictures);
    fs::create_directories(pictures);

    ScenarioSessionOptions kept;
    kept.root = root.string();
    Ran ran = run(scenario, kept);
    EXPECT_EQ(ran.status, kScenarioPassed) << ran.err;
    EXPECT_TRUE(contains(ran.out, "sim: picture of the widget written to " + (root / "w.png").string())) << ran.out;
    EXPECT_TRUE(fs::exists(root / "w.png"));

    ScenarioSessionOptions elsewhere;
    elsewhere.pictureFolder = pictures.string();
    ran = run(scenario, elsewhere);
    EXPECT_EQ(ran.status, kScenarioPassed) << ran.err;
    EXPECT_TRUE(fs::exists(pictures / "w.png"));
    EXPECT_FALSE(fs::exists("w.png")); // never the current folder by default

    fs::remove_all(root);
    fs::remove_all(pictures);
}

TEST(ScenarioSession, FailsATapWhenNoAlertIsOnScreen)
{
    Ran ran = run("boot\nalert ok\n");
    EXPECT_EQ(ran.status, kScenarioFailed);
    EXPECT_TRUE(contains(ran.err, "t.scn:2: failed: alert ok\n  found: no USSD alert on screen to tap")) << ran.err;
}

} // namespace
} // namespace sim
