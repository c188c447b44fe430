// Text mending: what stays, what becomes U+FFFD, and how many replacements
// each bad sequence costs.
#include "platform/foundation/internal/ValidText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::internal::isValidText;
using platform::internal::repairText;
using platform::internal::utf8FromUtf16BigEndian;

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(ValidText, ValidTextIsLeftAsItIs)
{
    for (const std::string text : {"", "*100#", "\xD0\x91\xD0\xB0\xD0\xBB", "\xE2\x82\xAC", "\xF0\x9F\x93\xB1",
                                   "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBD", "\x7F", "Balance 1 234.50 rub, \xD0\x91 \xF0\x9F\x93\xB1 ok"}) {
        SCOPED_TRACE(text);
        std::string copy = text;
        EXPECT_TRUE(isValidText(text));
        EXPECT_EQ(repairText(copy), 0u);
        EXPECT_EQ(copy, text);
    }
}

TEST(ValidText, EachBadSequenceBecomesOneReplacementAndTheRestIsKept)
{
    struct Case {
        const char* name;
        std::string in;
        std::string out;
        size_t replacements;
    } cases[] = {
        {"Latin-1 byte", "caf\xE9", "caf" + kFFFD, 1},
        {"Latin-1 byte inside", "caf\xE9 au lait", "caf" + kFFFD + " au lait", 1},
        {"NUL keeps what follows", std::string("*100#\0tail", 10), "*100#" + kFFFD + "tail", 1},
        {"only NULs", std::string("\0\0", 2), kFFFD + kFFFD, 2},
        {"lone continuation bytes", "a\x80\xBF" "b", "a" + kFFFD + kFFFD + "b", 2},
        {"lead byte at the end", "ab\xD0", "ab" + kFFFD, 1},
        {"three-byte sequence cut after two", "\xE2\x82" "x", kFFFD + "x", 1},
        {"four-byte sequence cut after three", "\xF0\x9F\x93", kFFFD, 1},
        {"overlong slash", "\xC0\xAF", kFFFD + kFFFD, 2},
        {"overlong three-byte", "\xE0\x80\xAF", kFFFD + kFFFD + kFFFD, 3},
        {"encoded surrogate", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD, 3},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD, 4},
        {"never a UTF-8 byte", "\xFF\xFE", kFFFD + kFFFD, 2},
        {"valid after invalid", "\xE9\xD0\x91", kFFFD + "\xD0\x91", 1},
        // Long ASCII runs are scanned eight bytes at a time.
        {"NUL deep in ASCII", std::string("Balance 1\0 234.50 rub", 21), "Balance 1" + kFFFD + " 234.50 rub", 1},
        {"Latin-1 after sixteen ASCII bytes", "0123456789abcdef\xE9!", "0123456789abcdef" + kFFFD + "!", 1},
        {"Latin-1 in the last byte of a word", "0123456\xE9", "0123456" + kFFFD, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.in;
        EXPECT_FALSE(isValidText(c.in));
        EXPECT_EQ(repairText(text), c.replacements);
        EXPECT_EQ(text, c.out);
        EXPECT_TRUE(isValidText(text));
    }
}

TEST(ValidText, Utf16KeepsPairsAndReplacesNulAndUnpairedSurrogates)
{
    struct Case {
        const char* name;
        std::vector<uint16_t> units;
        std::string out;
        size_t replaced;
    } cases[] = {
        {"empty", {}, "", 0},
        {"ASCII and Cyrillic", {0x41, 0x0411}, "A\xD0\x91", 0},
        {"a pair", {0xD83D, 0xDCF1}, "\xF0\x9F\x93\xB1", 0},
        {"NUL inside", {0x00E9, 0x0000, 0x0041}, "\xC3\xA9" + kFFFD + "A", 1},
        {"lead surrogate at the end", {0x41, 0xD800}, "A" + kFFFD, 1},
        {"lead surrogate before a letter", {0xD800, 0x41}, kFFFD + "A", 1},
        {"trail surrogate alone", {0xDC00}, kFFFD, 1},
        {"two leads then a trail", {0xD800, 0xD801, 0xDC00}, kFFFD + "\xF0\x90\x90\x80", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> bytes;
        for (uint16_t unit : c.units) {
            bytes.push_back(static_cast<unsigned char>(unit >> 8));
            bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        }
        size_t replaced = 0;
        EXPECT_EQ(utf8FromUtf16BigEndian(bytes.data(), c.units.size(), replaced), c.out);
        EXPECT_EQ(replaced, c.replaced);
    }
}

} // namespace
