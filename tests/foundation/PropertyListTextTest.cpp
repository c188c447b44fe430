// Texts the parser cannot take whole (NUL characters, unpaired surrogates,
// empty UTF-16 texts, bytes that are not UTF-8) read and write with U+FFFD in
// place of what is bad, keep everything around it, and say so in one log
// line; a write whose bytes would not read back is refused.
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/internal/PlistShapeCheck.h"

#include "tests/foundation/BinaryPlistBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using foundation_test::BinaryPlist;
using platform::Array;
using platform::Dict;
using platform::Value;
using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

constexpr const char* kPath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist";
const std::string kFFFD = "\xEF\xBF\xBD";

void writeBytes(const TempDeviceRoot& device, const std::string& bytes)
{
    std::ofstream(device.host(kPath), std::ios::binary) << bytes;
}

const std::string kMendedOnRead =
    std::string("Qvl: reading ") + kPath + " with U+FFFD in place of NUL characters and bytes that are not UTF-8 ";

// {"codes": ["*100#"], KEY: VALUE}, with the odd text object as KEY or as VALUE.
std::string binaryWith(const std::string& oddText, bool asKey)
{
    BinaryPlist plist;
    plist.container({1, 2, 3, 4}, 0xD0); // keys 1 and 2, values 3 and 4
    plist.asciiString("codes");
    plist.add(asKey ? oddText : BinaryPlist::asciiObject("odd"));
    plist.container({5});
    plist.add(asKey ? std::string("\x09") : oddText); // true, or the text
    plist.asciiString("*100#");
    return plist.bytes();
}

TEST(PropertyListText, OddBinaryTextsReadMendedWithTheRestOfTheFile)
{
    std::vector<uint16_t> longUnits(20, 0x42);
    longUnits[3] = 0;
    const struct Case {
        const char* name;
        std::string text;
        std::string reads;
    } cases[] = {
        // As a key, this stopped the process: the parser asserts on it.
        {"UTF-16 holding U+0000", BinaryPlist::utf16Object({0xE9, 0x0000}), "\xC3\xA9" + kFFFD},
        {"UTF-16 that is only U+0000", BinaryPlist::utf16Object({0x0000}), kFFFD},
        {"long UTF-16 holding U+0000", BinaryPlist::utf16Object(longUnits), "BBB" + kFFFD + std::string(16, 'B')},
        // The parser dropped these, and sometimes the whole text with them.
        {"UTF-16 ending in a lead surrogate", BinaryPlist::utf16Object({0x41, 0xD800}), "A" + kFFFD},
        {"UTF-16 with a trail surrogate alone", BinaryPlist::utf16Object({0xDC00, 0x41}), kFFFD + "A"},
        {"UTF-16 with two leads before a trail", BinaryPlist::utf16Object({0xD800, 0xD801, 0xDC00}),
         kFFFD + "\xF0\x90\x90\x80"},
        // The parser refused the whole file for this one.
        {"empty UTF-16", BinaryPlist::utf16Object({}), ""},
        // And cut this one short.
        {"ASCII holding NUL", BinaryPlist::asciiObject(std::string("a\0b", 3)), "a" + kFFFD + "b"},
        {"ASCII holding a Latin-1 byte", BinaryPlist::asciiObject("caf\xE9"), "caf" + kFFFD},
    };
    for (bool asKey : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (asKey ? " as a key" : " as a value"));
            TempDeviceRoot device;
            writeBytes(device, binaryWith(c.text, asKey));
            LogCapture log;
            const Value codes(Array{Value("*100#")}); // the rest of the file, kept
            const Dict expected = asKey ? Dict{{"codes", codes}, {c.reads, Value(true)}}
                                        : Dict{{"codes", codes}, {"odd", Value(c.reads)}};
            EXPECT_EQ(platform::readDictionary(kPath), expected);
            EXPECT_EQ(log.lines(), std::vector<std::string>{kMendedOnRead + "(texts mended: 1)"});
        }
    }
}

TEST(PropertyListText, OddXmlTextsReadMended)
{
    struct Case {
        const char* name;
        std::string body;
        std::string key;
        std::string value;
    } cases[] = {
        {"Latin-1 byte in a string", "<key>titleColor</key><string>caf\xE9</string>", "titleColor", "caf" + kFFFD},
        {"Latin-1 byte in a key", "<key>caf\xE9</key><string>x</string>", "caf" + kFFFD, "x"},
        {"raw NUL byte in a key", std::string("<key>a\0b</key><string>x</string>", 32), "a" + kFFFD + "b", "x"},
        {"raw NUL byte in a string", std::string("<key>k</key><string>a\0b</string>", 32), "k", "a" + kFFFD + "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDeviceRoot device;
        writeBytes(device, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
                           "<key>autoRefreshRate</key><integer>15</integer>" +
                               c.body + "</dict></plist>");
        LogCapture log;
        const Dict read = platform::readDictionary(kPath);
        EXPECT_EQ(read, (Dict{{"autoRefreshRate", 15}, {c.key, Value(c.value)}}));
        EXPECT_EQ(log.lines(), std::vector<std::string>{kMendedOnRead + "(texts mended: 1)"});
    }
}

TEST(PropertyListText, NulAndInvalidBytesAreWrittenAsReplacementsKeepingWhatFollows)
{
    const Dict written{
        {"plain", Value("*100#")},
        {"nul", Value(std::string("*100#\0*101#", 11))},
        {"latin1", Value("caf\xE9 au lait")},
        {std::string("key\0tail", 8), Value(1)},
        {"list", Value(Array{Value(std::string("\0", 1)), Value("\xFF")})},
    };
    const Dict expected{
        {"plain", Value("*100#")},
        {"nul", Value("*100#" + kFFFD + "*101#")},
        {"latin1", Value("caf" + kFFFD + " au lait")},
        {"key" + kFFFD + "tail", Value(1)},
        {"list", Value(Array{Value(kFFFD), Value(kFFFD)})},
    };
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "XML");
        TempDeviceRoot device;
        LogCapture log;
        ASSERT_TRUE(platform::writeDictionaryAtomically(kPath, written, binary));
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0], std::string("Qvl: writing ") + kPath +
                                      " with U+FFFD in place of NUL characters and bytes that are not UTF-8 (texts mended: 5)");
        EXPECT_EQ(platform::readDictionary(kPath), expected);
        EXPECT_EQ(log.lines().size(), 1u) << "what was written reads back without mending";
    }
}

TEST(PropertyListText, AWriteThatWouldNotReadBackFailsAndKeepsTheOldFile)
{
    // The binary writer stores equal texts once; read back, each reference is
    // a copy of its own, and these copies are past the reader's budget.
    const std::string text(1024, 'x');
    const size_t copies = platform::internal::kMaxPlistExpandedBytes / text.size();
    const Dict tooMany{{"codes", Value(Array(copies, Value(text)))}};
    TempDeviceRoot device;
    ASSERT_TRUE(platform::writeDictionaryAtomically(kPath, Dict{{"codes", Value(Array{Value("*100#")})}}, true));
    const std::optional<std::string> before = platform::readFile(kPath);

    LogCapture log;
    EXPECT_FALSE(platform::writeDictionaryAtomically(kPath, tooMany, true));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind(std::string("Qvl: not writing ") + kPath + ": the written bytes would not read back (", 0),
              0u)
        << log.lines()[0];
    EXPECT_NE(log.lines()[0].find("too large"), std::string::npos) << log.lines()[0];
    EXPECT_EQ(platform::readFile(kPath), before);
}

} // namespace
