#include "sim/world/World.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "host/common/loader/ModuleLoader.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace sim {
namespace {

namespace fs = std::filesystem;
using platform::Micros;

WorldOptions withoutEngine(std::string root = {})
{
    WorldOptions options;
    options.root = std::move(root);
    options.installEngine = false;
    options.installHistory = false;
    return options;
}

int linesEqualTo(const World& world, const std::string& text)
{
    const auto& lines = const_cast<World&>(world).log().lines();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const LogLine& l) { return l.text == text; }));
}

TEST(World, HomeNetworkLinksShareATargetAndRoamingSplitsThem)
{
    World world(withoutEngine());
    ASSERT_TRUE(world.ok());
    for (const char* link : {kCarrierLinkPath, kOperatorLinkPath}) {
        SCOPED_TRACE(link);
        EXPECT_TRUE(fs::is_symlink(world.folder().hostPath(link)));
    }
    auto carrier = platform::symbolicLinkDestination(kCarrierLinkPath);
    ASSERT_TRUE(carrier.has_value());
    EXPECT_EQ(platform::symbolicLinkDestination(kOperatorLinkPath), carrier);

    ASSERT_TRUE(world.folder().setRoaming(true));
    EXPECT_EQ(platform::symbolicLinkDestination(kCarrierLinkPath), carrier);
    auto visited = platform::symbolicLinkDestination(kOperatorLinkPath);
    ASSERT_TRUE(visited.has_value());
    EXPECT_NE(*visited, *carrier);

    ASSERT_TRUE(world.folder().setRoaming(false));
    EXPECT_EQ(platform::symbolicLinkDestination(kOperatorLinkPath), carrier);
}

TEST(World, EachNetworkLinkCanBeMissingDanglingOrAPlainFile)
{
    World world(withoutEngine());
    ASSERT_TRUE(world.ok());
    EXPECT_TRUE(fs::is_regular_file(world.folder().hostPath(kHomeNetworkBundle)));
    for (const char* link : {kCarrierLinkPath, kOperatorLinkPath}) {
        SCOPED_TRACE(link);
        ASSERT_TRUE(world.folder().setLink(link, LinkState::dangling));
        EXPECT_EQ(platform::symbolicLinkDestination(link), std::string(kMissingNetworkBundle));
        EXPECT_FALSE(fs::exists(world.folder().hostPath(link))) << "the target is not on the device";

        ASSERT_TRUE(world.folder().setLink(link, LinkState::plainFile));
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(world.folder().hostPath(link))));
        EXPECT_EQ(platform::symbolicLinkDestination(link), std::nullopt);

        ASSERT_TRUE(world.folder().setLink(link, LinkState::missing));
        EXPECT_FALSE(fs::exists(fs::symlink_status(world.folder().hostPath(link))));
        ASSERT_TRUE(world.folder().setLink(link, LinkState::missing)) << "removing what is not there is done";

        ASSERT_TRUE(world.folder().setLink(link, LinkState::home));
        EXPECT_EQ(platform::symbolicLinkDestination(link), std::string(kHomeNetworkBundle));
    }
}

TEST(World, RemovesAFreshRootAndKeepsAGivenOne)
{
    std::string fresh;
    {
        World world(withoutEngine());
        fresh = world.root();
        EXPECT_TRUE(fs::is_directory(world.folder().hostPath(kPreferencesFolder)));
    }
    EXPECT_FALSE(fs::exists(fresh));

    std::string given = (fs::temp_directory_path() / ("quorvel-world-test-" + std::to_string(::getpid()))).string();
    fs::remove_all(given);
    {
        World world(withoutEngine(given));
        EXPECT_EQ(world.root(), given);
        ASSERT_TRUE(platform::writeDictionaryAtomically("/var/mobile/Library/Preferences/x.plist", {{"k", 1}}));
    }
    EXPECT_TRUE(fs::exists(given + "/var/mobile/Library/Preferences/x.plist"));
    fs::remove_all(given);
}

TEST(World, LoadsATweakOnlyIntoTheProcessItsFilterNames)
{
    World world(withoutEngine());
    std::string built = host::findBuiltModule("SimTestTweak.dylib");
    ASSERT_FALSE(built.empty()) << "SimTestTweak.dylib not beside the test nor in $QUORVEL_BIN_DIR";
    ASSERT_TRUE(host::ModuleLoader::installTweak(built, "ForSafari", {"com.apple.mobilesafari"}));
    ASSERT_TRUE(host::ModuleLoader::installTweak(built, "ForSpringBoard", {"com.apple.mobilesafari", kSpringBoardBundle}));
    ASSERT_TRUE(host::ModuleLoader::installTweak(built, "WrongFilter", {"com.apple.springboard.extra"}));
    // No filter at all, and a filter that is not a property list: loaded nowhere.
    fs::copy_file(built, world.folder().hostPath(std::string(host::kTweakFolder) + "/NoFilter.dylib"));
    fs::copy_file(built, world.folder().hostPath(std::string(host::kTweakFolder) + "/Broken.dylib"));
    ASSERT_TRUE(platform::writeFileAtomically(std::string(host::kTweakFolder) + "/Broken.plist", "{ Filter = "));

    world.boot();
    EXPECT_EQ(linesEqualTo(world, "test tweak loaded into SpringBoard"), 1);
    ASSERT_EQ(world.modules().loaded().size(), 1u);
    EXPECT_EQ(world.modules().loaded()[0].devicePath, std::string(host::kTweakFolder) + "/ForSpringBoard.dylib");
    EXPECT_EQ(world.modules().loaded()[0].process, kSpringBoardName);
}

TEST(World, StampsEveryLineWithTheVirtualTime)
{
    World world(withoutEngine());
    world.log().note("at the start");
    world.runFor(Micros(1'500'000));
    QLog("Qvl: a module line");
    const auto& lines = world.log().lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(LogCapture::printable(lines[lines.size() - 2]), "09:00:00.000 sim: at the start");
    EXPECT_EQ(LogCapture::printable(lines.back()), "09:00:01.500 Qvl: a module line");
}

TEST(World, KeepsItsLinesOutOfTheHostMachinesSystemLog)
{
    // A recorder stands in for syslog(3), so a fault here cannot reach the journal.
    std::vector<std::string> systemLog;
    platform::setSystemLogWriter([&systemLog](const std::string& line) { systemLog.push_back(line); });
    {
        World world(withoutEngine());
        world.boot();
        world.log().note("a simulator line");
        QLog("Qvl: a module line");
        world.runFor(Micros(1'000'000));
        EXPECT_GE(linesEqualTo(world, "Qvl: a module line"), 1);
    }
    platform::setSystemLogWriter(nullptr);
    EXPECT_EQ(systemLog, std::vector<std::string>{});
}

std::vector<std::string> g_received;

void onUssd(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict* info)
{
    g_received.push_back(info ? platform::Value(*info)[platform::kCTUSSDSessionString].description() : "(no info)");
}

// From now on the USSD texts that `app` hears go to g_received, emptied first.
void collectUssdHeardBy(platform::Process& app)
{
    g_received.clear();
    platform::ProcessScope in(app);
    platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, onUssd,
                                           platform::kCTUSSDSessionStringNotification, nullptr,
                                           platform::CFNotificationSuspensionBehaviorHold);
}

TEST(SimCarrier, AnswersEachDialByItsScriptAfterItsDelay)
{
    World world(withoutEngine());
    platform::Process app(world.device(), "Preferences", "com.apple.Preferences");
    collectUssdHeardBy(app);
    world.carrier().answerByUssd("*100#", "Balance 5", Micros(2'000'000));
    world.carrier().staySilent("*101#");
    world.carrier().dial(app, "*100#");
    world.carrier().dial(app, "*101#");
    world.carrier().dial(app, "*102#");

    world.runFor(Micros(1'999'999));
    EXPECT_TRUE(g_received.empty());
    world.runFor(Micros(1));
    EXPECT_EQ(g_received, std::vector<std::string>{"Balance 5"});
    world.runFor(Micros(3'600'000'000));
    EXPECT_EQ(g_received.size(), 1u);

    const auto& dials = world.carrier().dials();
    ASSERT_EQ(dials.size(), 3u);
    EXPECT_EQ(dials[1].number, "*101#");
    EXPECT_EQ(dials[1].process, "Preferences");
    EXPECT_EQ(dials[1].time, kScenarioStart);
}

TEST(SimCarrier, FixesEachAnswerAtDialTime)
{
    World world(withoutEngine());
    platform::Process app(world.device(), "Preferences", "com.apple.Preferences");
    collectUssdHeardBy(app);
    world.carrier().answerByUssd("*100#", "first", Micros(5'000'000));
    world.carrier().dial(app, "*100#");
    world.carrier().answerByUssd("*100#", "second", Micros(1'000'000));
    world.carrier().dial(app, "*100#");
    world.carrier().staySilent("*100#");
    world.carrier().dial(app, "*100#");
    world.runFor(Micros(10'000'000));
    EXPECT_EQ(g_received, (std::vector<std::string>{"second", "first"}));
}

} // namespace
} // namespace sim
