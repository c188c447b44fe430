// The Settings application as a second process of a simulated device: the
// bundle installed and loaded from the device root, the wizard's dial
// answered in both processes, the keyboard, and a clean shutdown.
#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/prefs/PSListController.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "platform/ui/UIApplication.h"
#include "sim/carrier/SimCarrier.h"
#include "host/common/loader/PrefBundleInstall.h"
#include "sim/settingsapp/SettingsApp.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;

class SettingsAppTest : public ::testing::Test {
protected:
    SettingsAppTest()
    {
        world.carrier().answerByUssd("*100#", "Balance 12.50 rub, bonus 300", platform::Micros(2'000'000));
        world.boot();
    }

    bool logged(const std::string& line)
    {
        const auto& lines = world.log().lines();
        return std::any_of(lines.begin(), lines.end(), [&](const sim::LogLine& l) { return l.text == line; });
    }

    void runFor(platform::Micros span) { world.runFor(span); }

    sim::World world;
    sim::SettingsApp& app = sim::settingsApp(world);
};

TEST_F(SettingsAppTest, OpensOurPageFromTheBundleInstalledOnTheDevice)
{
    ASSERT_TRUE(app.open());
    for (const char* file : {"Info.plist", "QuorvelPrefBundle", "QuorvelPrefBundle.plist"}) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(platform::fileExists(std::string(host::kPrefBundlePath) + "/" + file));
    }
    ASSERT_NE(app.process(), nullptr);
    EXPECT_EQ(app.process()->name(), "Preferences");
    EXPECT_EQ(app.process()->bundleIdentifier(), "com.apple.Preferences");
    ASSERT_NE(app.rootPage(), nullptr);
    EXPECT_EQ(app.rootPage()->isa()->name(), "QuorvelPrefBundleListController");
    EXPECT_EQ(app.screenTitle(), "Quorvel");
    EXPECT_TRUE(logged("sim: Settings: opened /Library/PreferenceBundles/QuorvelPrefBundle.bundle (QuorvelPrefBundleListController)"));
    EXPECT_TRUE(app.open()) << "opening again keeps the running application";
}

TEST_F(SettingsAppTest, WizardDialIsAnsweredInBothProcesses)
{
    ASSERT_TRUE(app.open());
    ASSERT_TRUE(app.tap("USSD Codes").ok);
    ASSERT_TRUE(app.tap("+").ok);
    EXPECT_TRUE(app.application()->isKeyboardVisible()) << "the command field is being edited";
    ASSERT_TRUE(app.type("*100#").ok);
    ASSERT_TRUE(app.tap("Next").ok);
    world.runPending();
    EXPECT_EQ(app.process()->telephonyCenter().observerCount(platform::kCTUSSDSessionStringNotification), 1u);
    ASSERT_EQ(world.carrier().dials().size(), 1u);
    EXPECT_EQ(world.carrier().dials()[0].process, "Preferences");

    runFor(platform::Micros(2'000'000));
    EXPECT_TRUE(logged("Qvl: ignoring USSD string")) << "the engine in SpringBoard heard it and left it";
    EXPECT_TRUE(logged("Qvl: got USSD message: Balance 12.50 rub, bonus 300"));
    EXPECT_EQ(app.screenTitle(), "*100#");
    EXPECT_EQ(world.springBoard().alertsOpen(), 1) << "SpringBoard made its alert, off screen";
    EXPECT_EQ(world.springBoard().alertsOnScreen(), 0);

    ASSERT_TRUE(app.title(0, "Balance").ok);
    ASSERT_TRUE(app.tap("Save").ok);
    EXPECT_FALSE(app.tap("Save").ok) << "the notice is on screen";
    ASSERT_TRUE(app.tapAlertButton("OK").ok);
    EXPECT_EQ(app.screenTitle(), "USSD Codes");
    EXPECT_FALSE(app.application()->isKeyboardVisible());
    EXPECT_EQ(app.rows(), (std::vector<std::pair<std::string, std::string>>{{"*100#", "1 field"}}));
}

TEST_F(SettingsAppTest, UserActionsReportWhatStoppedThem)
{
    EXPECT_FALSE(app.tap("USSD Codes").ok) << "not open yet";
    ASSERT_TRUE(app.open());
    const sim::UserAction missing = app.tap("Nothing here");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.problem.find("\"Quorvel\""), std::string::npos) << missing.problem;
    EXPECT_FALSE(app.back().ok);
    EXPECT_FALSE(app.type("x").ok) << "no field is being edited";
    EXPECT_FALSE(app.setValue("Auto Refresh", platform::Value(7)).ok);
    EXPECT_TRUE(app.setValue("Auto Refresh", platform::Value(15)).ok);
    ASSERT_TRUE(app.tap("USSD Codes").ok);
    ASSERT_TRUE(app.tap("+").ok);
    ASSERT_TRUE(app.tap("Next").ok) << "an empty command shows the error alert";
    EXPECT_FALSE(app.tapAlertButton("Cancel").ok);
    EXPECT_TRUE(app.tapAlertButton("OK").ok);
    EXPECT_FALSE(app.tapAlertButton("OK").ok) << "no alert left";
}

TEST_F(SettingsAppTest, FollowOnTwitterIsRecordedNotOpened)
{
    ASSERT_TRUE(app.open());
    ASSERT_TRUE(app.tap("Follow @quillmoor").ok);
    ASSERT_EQ(app.openedURLs().size(), 1u);
    EXPECT_EQ(app.openedURLs()[0].rfind("https://", 0), 0u);
}

TEST_F(SettingsAppTest, ShutDownReleasesTheBundleAndCanStartAgain)
{
    ASSERT_TRUE(app.open());
    ASSERT_TRUE(app.tap("USSD Codes").ok);
    ASSERT_TRUE(app.tap("+").ok);
    app.shutDown(world);
    EXPECT_FALSE(app.isOpen());
    EXPECT_EQ(app.process(), nullptr);
    EXPECT_EQ(world.device().urlOpener, nullptr);
    runFor(platform::Micros(1'000'000));
    ASSERT_TRUE(app.open());
    EXPECT_EQ(app.screenTitle(), "Quorvel");
}

TEST_F(SettingsAppTest, AStoreHoldingTextThatIsNotUtf8SurvivesAToggle)
{
    // Found by fuzzing: the settings store as XML with a colour name that is
    // not UTF-8. The toggle's binary rewrite used to make it unreadable, and
    // the engine ran on defaults from then on.
    std::ifstream in(std::string(QUORVEL_SOURCE_DIR) + "/tests/data/bad-files/settings-invalid-utf8-string.plist",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_TRUE(platform::writeFileAtomically(quorvel::kSettingsStorePath, bytes.str()));

    ASSERT_TRUE(app.open());
    ASSERT_TRUE(app.setValue("Show Gridlines", platform::Value(true)).ok);
    EXPECT_EQ(platform::readFile(quorvel::kSettingsStorePath)->rfind("bplist00", 0), 0u);
    const platform::Dict stored = platform::readDictionary(quorvel::kSettingsStorePath);
    EXPECT_EQ(stored, (platform::Dict{{"autoRefreshRate", 15},
                                      {"maxResponseTime", 20},
                                      {"titleColor", platform::Value("\xEF\xBF\xBD")},
                                      {"showGridlines", true}}));

    // The engine reads the stored rate, not the default (off).
    world.springBoard().lock();
    runFor(platform::Micros(300'000'000));
    EXPECT_TRUE(std::any_of(world.log().lines().begin(), world.log().lines().end(), [](const sim::LogLine& l) {
        return l.text.rfind("Qvl: timer tick, autorefresh is 900 seconds", 0) == 0;
    }));
}

} // namespace
