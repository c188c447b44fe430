#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/PropertyList.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using platform::Array;
using platform::Dict;
using platform::UserDefaults;
using platform::Value;
using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

constexpr const char* kDomain = "org.quillmoor.quorvel.codes";

TEST(UserDefaults, SuiteLivesInThePreferencesFileOfItsName)
{
    EXPECT_EQ(platform::preferencesPathForDomain(kDomain),
              "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist");
}

TEST(UserDefaults, ReadsNothingUntilSynchronized)
{
    TempDeviceRoot device;
    ASSERT_TRUE(platform::writeDictionaryAtomically(platform::preferencesPathForDomain(kDomain),
                                                    Dict{{"codes", Value(Array{Value("a")})}}));
    UserDefaults defaults;
    defaults.addSuiteNamed(kDomain);
    EXPECT_TRUE(defaults.objectForKey("codes").isNone());
    EXPECT_TRUE(defaults.synchronize());
    ASSERT_NE(defaults.arrayForKey("codes"), nullptr);
    EXPECT_EQ(defaults.arrayForKey("codes")->size(), 1u);
}

TEST(UserDefaults, SynchronizeRereadsAFileChangedSinceTheLastRead)
{
    TempDeviceRoot device;
    const std::string path = platform::preferencesPathForDomain(kDomain);
    ASSERT_TRUE(platform::writeDictionaryAtomically(path, Dict{{"codes", Value(Array{Value("a")})}}));
    UserDefaults defaults;
    defaults.addSuiteNamed(kDomain);
    defaults.synchronize();

    ASSERT_TRUE(platform::writeDictionaryAtomically(path, Dict{{"codes", Value(Array{Value("a"), Value("b")})}}));
    // Cached until the next synchronize.
    EXPECT_EQ(defaults.arrayForKey("codes")->size(), 1u);
    defaults.synchronize();
    EXPECT_EQ(defaults.arrayForKey("codes")->size(), 2u);

    std::filesystem::remove(device.host(path));
    defaults.synchronize();
    EXPECT_EQ(defaults.arrayForKey("codes"), nullptr);
}

TEST(UserDefaults, FirstSuiteHoldingTheKeyWins)
{
    TempDeviceRoot device;
    ASSERT_TRUE(platform::writeDictionaryAtomically(platform::preferencesPathForDomain("first"),
                                                    Dict{{"shared", Value(1)}}));
    ASSERT_TRUE(platform::writeDictionaryAtomically(platform::preferencesPathForDomain("second"),
                                                    Dict{{"shared", Value(2)}, {"only", Value(3)}}));
    UserDefaults defaults;
    defaults.addSuiteNamed("first");
    defaults.addSuiteNamed("second");
    defaults.addSuiteNamed("first"); // adding again does not change the order
    defaults.synchronize();
    EXPECT_EQ(defaults.objectForKey("shared"), Value(1));
    EXPECT_EQ(defaults.objectForKey("only"), Value(3));
    EXPECT_TRUE(defaults.objectForKey("absent").isNone());
}

TEST(UserDefaults, WrongTypesAndBadFilesReadAsAbsent)
{
    TempDeviceRoot device;
    const std::string path = platform::preferencesPathForDomain(kDomain);
    ASSERT_TRUE(platform::writeDictionaryAtomically(path, Dict{{"codes", Value("not an array")}}));
    UserDefaults defaults;
    defaults.addSuiteNamed(kDomain);
    defaults.synchronize();
    EXPECT_EQ(defaults.arrayForKey("codes"), nullptr);
    EXPECT_EQ(defaults.objectForKey("codes"), Value("not an array"));

    std::ofstream(device.host(path)) << "<plist><dict><key>codes</key><array>";
    LogCapture log;
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_TRUE(defaults.objectForKey("codes").isNone());
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
