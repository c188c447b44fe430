// Files that fuzzing and fault runs found against the property-list reader,
// kept in tests/data/bad-files, each with what it must read as: no crash, no
// hang, one log line at most, and nothing stored lost. (The settings store
// holding text that is not UTF-8 is read and rewritten by the Settings
// application in SettingsAppTest.)
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using platform::Array;
using platform::Dict;
using platform::Value;
using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

constexpr const char* kCodesPath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist";
const std::string kFFFD = "\xEF\xBF\xBD";
// Reading a long list took seconds (and minutes at 200 000 entries) when items
// were fetched by index. Walked in order, 40 000 entries take milliseconds,
// well inside a second in the sanitizer build too; 100 000 get a generous
// bound that a quadratic read would still miss by minutes.
constexpr std::chrono::milliseconds kFortyThousandReadBound{1000};
constexpr std::chrono::milliseconds kHundredThousandReadBound{10000};

std::string badFile(const std::string& name)
{
    std::ifstream in(std::string(QUORVEL_SOURCE_DIR) + "/tests/data/bad-files/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    EXPECT_FALSE(bytes.str().empty()) << name;
    return bytes.str();
}

void install(const TempDeviceRoot& device, const std::string& devicePath, const std::string& name)
{
    std::ofstream(device.host(devicePath), std::ios::binary) << badFile(name);
}

template <typename F>
std::chrono::milliseconds timed(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST(BadFiles, Utf16KeyHoldingNulReadsMendedInsteadOfStoppingTheProcess)
{
    // {"codes": [], "é\0": 1}: the parser asserted on the key and aborted.
    TempDeviceRoot device;
    install(device, kCodesPath, "plist-utf16-key-with-nul.bplist");
    LogCapture log;
    const Dict read = platform::readDictionary(kCodesPath);
    EXPECT_EQ(read, (Dict{{"codes", Value(Array{})}, {"\xC3\xA9" + kFFFD, Value(1)}}));
    EXPECT_EQ(read.count(std::string("\xC3\xA9\0", 3)), 0u) << "the key as stored is absent";
    EXPECT_EQ(log.lines(), std::vector<std::string>{std::string("Qvl: reading ") + kCodesPath +
                                                    " with U+FFFD in place of NUL characters and bytes that are not "
                                                    "UTF-8 (texts mended: 1)"});

    platform::UserDefaults defaults;
    defaults.addSuiteNamed("org.quillmoor.quorvel.codes");
    defaults.synchronize();
    ASSERT_NE(defaults.arrayForKey("codes"), nullptr);
    EXPECT_TRUE(defaults.arrayForKey("codes")->empty());
}

TEST(BadFiles, FortyThousandEntryBinaryListReadsInLinearTime)
{
    TempDeviceRoot device;
    install(device, kCodesPath, "binary-array-40k-distinct.plist");
    LogCapture log;
    Dict read;
    const auto took = timed([&] { read = platform::readDictionary(kCodesPath); });
    EXPECT_LT(took, kFortyThousandReadBound);
    const Array* codes = read["codes"].array();
    ASSERT_NE(codes, nullptr);
    ASSERT_EQ(codes->size(), 40000u);
    EXPECT_EQ(codes->front(), Value("A0000000"));
    EXPECT_EQ((*codes)[12345], Value("A0012345")) << "in the stored order";
    EXPECT_EQ(codes->back(), Value("A0039999"));
    EXPECT_TRUE(log.lines().empty());
}

TEST(BadFiles, HundredThousandSharedReferencesReadWithinTheExpandedBudget)
{
    // 100 000 references to one 16-letter text: 14 MB once expanded, inside
    // the 32 MiB budget, so the list reads whole (and quickly).
    TempDeviceRoot device;
    install(device, kCodesPath, "binary-shared-refs-100k.plist");
    LogCapture log;
    Dict read;
    const auto took = timed([&] { read = platform::readDictionary(kCodesPath); });
    EXPECT_LT(took, kHundredThousandReadBound);
    const Array* codes = read["codes"].array();
    ASSERT_NE(codes, nullptr);
    ASSERT_EQ(codes->size(), 100000u);
    EXPECT_EQ(codes->front(), Value("AAAAAAAAAAAAAAAA"));
    EXPECT_EQ(codes->back(), Value("AAAAAAAAAAAAAAAA"));
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
