#include "platform/foundation/PropertyList.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/internal/PlistShapeCheck.h"

#include "tests/foundation/BinaryPlistBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using foundation_test::BinaryPlist;
using platform::Array;
using platform::Date;
using platform::Dict;
using platform::Value;
using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

constexpr const char* kPath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist";
constexpr int64_t kSampleSeconds = 1796720700; // 2026-12-08 09:05:00 UTC

Dict everyKind()
{
    return Dict{
        {"text", Value("Balance -12,30 rub.")},
        {"cyrillic", Value("\xD0\x91\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBD\xD1\x81")},
        {"emoji", Value("refresh \xE2\x86\xBB \xF0\x9F\x93\xB1")},
        {"markup", Value("<a> & \"b\" 'c'")},
        {"empty text", Value("")},
        {"integer", Value(42)},
        {"negative", Value(-12)},
        {"beyond 32 bits", Value(int64_t(5000000000))},
        {"largest", Value(INT64_MAX)},
        {"smallest", Value(INT64_MIN)},
        {"real", Value(12.5)},
        {"whole real", Value(10.0)},
        {"negative real", Value(-0.25)},
        {"yes", Value(true)},
        {"no", Value(false)},
        {"date", Value(Date::fromMicros(kSampleSeconds * 1000000))},
        {"data", Value(platform::Data{0, 1, 2, 0xfe, 0xff})},
        {"empty data", Value(platform::Data{})},
        {"array", Value(Array{Value("*100#"), Value(3), Value(Array{}), Value(Dict{})})},
        {"nested", Value(Dict{{"codes", Value(Array{Value(Dict{{"ussdCode", Value("*100#")},
                                                              {"fields", Value(Array{Value(Dict{{"title", Value("Balance")},
                                                                                                 {"index", Value(0)}})})}})})}})},
    };
}

std::string writeBytes(const TempDeviceRoot& device, const std::string& bytes)
{
    std::ofstream(device.host(kPath), std::ios::binary) << bytes;
    return kPath;
}

TEST(PropertyList, EveryValueKindSurvivesXmlAndBinaryRoundTrips)
{
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "XML");
        TempDeviceRoot device;
        const Dict written = everyKind();
        ASSERT_TRUE(platform::writeDictionaryAtomically(kPath, written, binary));
        std::optional<std::string> bytes = platform::readFile(kPath);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes->rfind("bplist00", 0) == 0, binary);

        LogCapture log;
        Dict read = platform::readDictionary(kPath);
        EXPECT_TRUE(log.lines().empty());
        for (const auto& [key, value] : written) {
            SCOPED_TRACE(key);
            ASSERT_TRUE(read.count(key));
            EXPECT_EQ(read.at(key).type(), value.type());
            EXPECT_EQ(read.at(key), value) << read.at(key).description();
        }
        EXPECT_EQ(read.size(), written.size());
    }
}

TEST(PropertyList, DatesKeepTheirSecondInBothFormats)
{
    for (int64_t seconds : {kSampleSeconds, int64_t(978307200), int64_t(978307100), int64_t(0)}) {
        for (bool binary : {false, true}) {
            SCOPED_TRACE(std::to_string(seconds) + (binary ? " binary" : " XML"));
            Date date = Date::fromMicros(seconds * 1000000 + 250000);
            std::optional<Value> back = platform::parsePropertyList(
                platform::serializePropertyList(Value(Dict{{"refreshedAt", Value(date)}}), binary));
            ASSERT_TRUE(back);
            std::optional<Date> read = (*back)["refreshedAt"].date();
            ASSERT_TRUE(read);
            EXPECT_EQ(read->description(), date.description());
            EXPECT_LE(std::abs(read->since(date).count()), 250000);
        }
    }
}

// Binary lists store a date as seconds in a double; far from 2001 its last
// microsecond is easily lost when read back, and the second before 2001 reads
// as a second of zero whichever side of it the date lies.
TEST(PropertyList, BinaryDatesKeepEveryMicrosecond)
{
    const int64_t reference = int64_t(978307200) * 1000000;
    const int64_t far = int64_t(2147481501) * 1000000; // 1932 and 2069 from the reference date
    for (int64_t start : {reference - far, reference + far, reference - 1000000, reference + kSampleSeconds}) {
        for (int64_t step = 0; step < 2000; ++step) {
            Date date = Date::fromMicros(start + step * 997);
            std::optional<Value> once = platform::parsePropertyList(
                platform::serializePropertyList(Value(Dict{{"d", Value(date)}}), true));
            ASSERT_TRUE(once);
            ASSERT_EQ((*once)["d"].date()->micros(), date.micros()) << date.description();
            std::optional<Value> twice = platform::parsePropertyList(platform::serializePropertyList(*once, true));
            ASSERT_TRUE(twice);
            ASSERT_EQ(*twice, *once) << date.description();
        }
    }
    // Beyond the 32-bit seconds the library keeps, a date is held at the
    // nearest one it can keep, and stays there.
    for (int64_t micros : {reference - far * 2, reference + far * 2})
        for (bool binary : {false, true}) {
            std::optional<Value> once = platform::parsePropertyList(
                platform::serializePropertyList(Value(Dict{{"d", Value(Date::fromMicros(micros))}}), binary));
            ASSERT_TRUE(once);
            std::optional<Value> twice = platform::parsePropertyList(platform::serializePropertyList(*once, binary));
            ASSERT_TRUE(twice);
            EXPECT_EQ(*twice, *once) << (*once)["d"].description();
            EXPECT_LT(std::abs((*once)["d"].date()->since(Date::fromMicros(micros)).count()), far);
        }
}

TEST(PropertyList, NoneAndRuntimeObjectsAreLeftOut)
{
    Value root = Dict{{"keep", Value(1)}, {"none", Value()}, {"object", Value(platform::ObjectRef())},
                      {"list", Value(Array{Value(), Value(2)})}};
    std::optional<Value> back = platform::parsePropertyList(platform::serializePropertyList(root));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Value(Dict{{"keep", Value(1)}, {"list", Value(Array{Value(2)})}}));
}

TEST(PropertyList, ReadsAHandWrittenXmlFile)
{
    TempDeviceRoot device;
    writeBytes(device, R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<!-- written by hand -->
<dict>
	<key>autoRefreshRate</key>
	<string>15</string>
	<key>maxResponseTime</key>
	<real>10.5</real>
	<key>observeDND</key>
	<false/>
	<key>refreshedAt</key>
	<date>2026-12-08T09:05:00Z</date>
</dict>
</plist>
)");
    Dict d = platform::readDictionary(kPath);
    EXPECT_EQ(d["autoRefreshRate"].integerValue(), 15);
    EXPECT_EQ(d["maxResponseTime"], Value(10.5));
    EXPECT_EQ(d["observeDND"], Value(false));
    EXPECT_EQ(d["refreshedAt"], Value(Date::fromMicros(kSampleSeconds * 1000000)));
}

// A dictionary whose value is a chain of `depth` - 1 nested arrays.
std::string binaryChain(int depth)
{
    BinaryPlist plist;
    plist.container({1, 2}, 0xD0);
    plist.asciiString("k");
    for (int i = 2; i < depth; ++i)
        plist.container({static_cast<uint32_t>(i + 1)});
    plist.container({});
    return plist.bytes();
}

std::string xmlChain(int depth)
{
    std::string out = "<plist><dict><key>k</key>";
    for (int i = 1; i < depth; ++i)
        out += "<array>";
    for (int i = 1; i < depth; ++i)
        out += "</array>";
    return out + "</dict></plist>";
}

TEST(PropertyList, NestingIsAcceptedUpToTheLimitAndRefusedBeyond)
{
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "XML");
        auto chain = binary ? binaryChain : xmlChain;
        std::string error;
        std::optional<Value> atLimit = platform::parsePropertyList(chain(platform::kMaxPlistDepth), &error);
        ASSERT_TRUE(atLimit) << error;
        int depth = 1;
        for (const Value* v = &(*atLimit)["k"]; v->isArray(); v = &v->at(0)) {
            ++depth;
            if (v->count() == 0)
                break;
        }
        EXPECT_EQ(depth, platform::kMaxPlistDepth);
        EXPECT_FALSE(platform::parsePropertyList(chain(platform::kMaxPlistDepth + 1), &error));
        EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
    }
}

// An array of `copies` references to one text of `length` bytes.
std::string sharedText(size_t copies, size_t length)
{
    BinaryPlist plist(4);
    plist.container(std::vector<uint32_t>(copies, 1));
    plist.asciiString(std::string(length, 'A'));
    return plist.bytes();
}

TEST(PropertyList, ExpandedSizeIsBudgetedInBytesNotObjects)
{
    // The array and each copy count one object's bytes, each copy its text too.
    using platform::internal::kMaxPlistExpandedBytes;
    using platform::internal::kPlistObjectBytes;
    for (size_t length : {size_t(400), size_t(10000)}) {
        SCOPED_TRACE(length);
        const size_t fits = (kMaxPlistExpandedBytes - kPlistObjectBytes) / (kPlistObjectBytes + length);
        std::string error;
        std::optional<Value> within = platform::parsePropertyList(sharedText(fits, length), &error);
        ASSERT_TRUE(within) << error;
        EXPECT_EQ(within->count(), fits);
        EXPECT_FALSE(platform::parsePropertyList(sharedText(fits + 1, length), &error));
        EXPECT_NE(error.find("too large when expanded"), std::string::npos) << error;
    }
}

TEST(PropertyList, TextsAndDataMustLieWithinTheObjectArea)
{
    // A text claiming more characters than the file holds.
    BinaryPlist plist;
    plist.container({1, 2}, 0xD0);
    plist.asciiString("k");
    plist.add(std::string("\x5F\x13\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10) + "AB");
    std::string error;
    EXPECT_FALSE(platform::parsePropertyList(plist.bytes(), &error));
    EXPECT_NE(error.find("malformed"), std::string::npos) << error;
}

TEST(PropertyList, OversizedNestingIsNotWrittenEither)
{
    Value deep = Array{};
    for (int i = 0; i < platform::kMaxPlistDepth + 5; ++i)
        deep = Array{deep};
    TempDeviceRoot device;
    LogCapture log;
    EXPECT_FALSE(platform::writeDictionaryAtomically(kPath, Dict{{"deep", deep}}));
    EXPECT_FALSE(fs::exists(device.host(kPath)));
    EXPECT_EQ(log.lines().size(), 1u);
}

struct BadInput {
    const char* name;
    std::string bytes;
    const char* reasonPart;
};

std::vector<BadInput> badInputs()
{
    std::string xml = platform::serializePropertyList(Value(Dict{{"codes", Value(Array{Value("*100#")})}}));
    std::string binary = platform::serializePropertyList(Value(Dict{{"codes", Value(Array{Value("*100#")})}}), true);

    BinaryPlist cycle;
    cycle.container({0});
    BinaryPlist indirectCycle;
    indirectCycle.container({1, 2}, 0xD0);
    indirectCycle.asciiString("k");
    indirectCycle.container({0});
    // Forty levels that each refer twice to the next: 2^40 objects once expanded.
    BinaryPlist explosion;
    for (uint32_t i = 0; i < 40; ++i)
        explosion.container({i + 1, i + 1});
    explosion.yes();
    // A megabyte of references to one 64 KiB text: 30 GB of copies once expanded.
    BinaryPlist sharedLongText;
    sharedLongText.container(std::vector<uint32_t>(480000, 1));
    sharedLongText.asciiString(std::string(64 * 1024, 'A'));
    BinaryPlist danglingRef;
    danglingRef.container({7});
    BinaryPlist rootOutOfRange;
    rootOutOfRange.yes();

    std::string badOffsets = binary;
    badOffsets[badOffsets.size() - 32 + 6] = 0; // offset size 0

    return {
        {"empty file", "", "empty"},
        {"text, not a property list", "Balance 5 rub.", ""},
        {"truncated XML", xml.substr(0, xml.size() / 2), ""},
        {"truncated binary", binary.substr(0, binary.size() - 10), ""},
        {"binary header only", "bplist00", "truncated"},
        {"root is an array", platform::serializePropertyList(Value(Array{Value(1)})), "not a dictionary"},
        {"root is a string", platform::serializePropertyList(Value("codes")), "not a dictionary"},
        {"binary root is an array", platform::serializePropertyList(Value(Array{}), true), "not a dictionary"},
        {"XML nested 10000 deep", xmlChain(10000), "nested deeper"},
        {"binary nested 10000 deep", binaryChain(10000), "nested deeper"},
        {"binary array containing itself", cycle.bytes(), "contains itself"},
        {"binary cycle through a dictionary", indirectCycle.bytes(), "contains itself"},
        {"binary shared references expanding exponentially", explosion.bytes(), "too large"},
        {"binary shared references to a long text", sharedLongText.bytes(), "too large when expanded (over 32 MiB)"},
        {"binary reference to a missing object", danglingRef.bytes(), "malformed"},
        {"binary root beyond the object table", rootOutOfRange.bytes(5), "malformed"},
        {"binary offset size zero", badOffsets, "malformed"},
        {"closing tag that does not match", "<plist><dict></array></dict></plist>", "mismatched"},
        {"tags hidden in an attribute", "<plist><dict x=\"><array>\"></dict></plist>", "malformed"},
    };
}

TEST(PropertyList, BadFilesReadAsEmptyWithOneLogLineNamingTheFile)
{
    for (const BadInput& bad : badInputs()) {
        SCOPED_TRACE(bad.name);
        TempDeviceRoot device;
        writeBytes(device, bad.bytes);
        LogCapture log;
        EXPECT_EQ(platform::readDictionaryIfPresent(kPath), std::nullopt);
        EXPECT_TRUE(platform::readDictionary(kPath).empty());
        ASSERT_EQ(log.lines().size(), 2u); // one per read
        const std::string prefix = std::string("Qvl: ignoring unreadable property list ") + kPath + ": ";
        EXPECT_EQ(log.lines()[0].rfind(prefix, 0), 0u) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(bad.reasonPart), std::string::npos) << log.lines()[0];
        EXPECT_EQ(log.lines()[0], log.lines()[1]);
    }
}

TEST(PropertyList, MissingFileReadsAsEmptySilently)
{
    TempDeviceRoot device;
    LogCapture log;
    EXPECT_EQ(platform::readDictionaryIfPresent(kPath), std::nullopt);
    EXPECT_TRUE(platform::readDictionary("/var/mobile/Library/NoSuchFolder/x.plist").empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST(PropertyList, FolderInPlaceOfTheFileIsLogged)
{
    TempDeviceRoot device;
    fs::create_directories(device.host(kPath));
    LogCapture log;
    EXPECT_TRUE(platform::readDictionary(kPath).empty());
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(PropertyList, TruncatedDocumentsNeverReadAsPartOfTheirContent)
{
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "XML");
        const Value whole(everyKind());
        std::string bytes = platform::serializePropertyList(whole, binary);
        for (size_t length = 0; length < bytes.size(); ++length) {
            std::optional<Value> parsed = platform::parsePropertyList(bytes.substr(0, length));
            // A cut after the root's closing tag loses nothing; any other cut is refused.
            if (parsed) {
                EXPECT_EQ(*parsed, whole) << "length " << length;
            }
        }
    }
}

} // namespace
