// Text mending: what stays, what becomes U+FFFD, and how many replacements
// each bad sequence costs. (UTF-16 texts are covered through the reader in
// PropertyListTextTest.)
#include "platform/foundation/internal/ValidText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(ValidText, EachBadSequenceBecomesOneReplacementAndTheRestIsKept)
{
    struct Case {
        const char* name;
        std::string in;
        std::string out;
        size_t replacements;
    } cases[] = {
        {"ASCII", "*100#", "*100#", 0},
        {"two to four bytes, and U+10FFFF", "\xD0\x91 \xE2\x82\xAC \xF0\x9F\x93\xB1 \xF4\x8F\xBF\xBF",
         "\xD0\x91 \xE2\x82\xAC \xF0\x9F\x93\xB1 \xF4\x8F\xBF\xBF", 0},
        {"Latin-1 byte", "caf\xE9 au lait", "caf" + kFFFD + " au lait", 1},
        {"NUL keeps what follows", std::string("*100#\0tail", 10), "*100#" + kFFFD + "tail", 1},
        {"lone continuation bytes", "a\x80\xBF" "b", "a" + kFFFD + kFFFD + "b", 2},
        {"lead byte at the end", "ab\xD0", "ab" + kFFFD, 1},
        {"three-byte sequence cut after two", "\xE2\x82" "x", kFFFD + "x", 1},
        {"overlong slash", "\xC0\xAF", kFFFD + kFFFD, 2},
        {"overlong three-byte", "\xE0\x80\xAF", kFFFD + kFFFD + kFFFD, 3},
        {"encoded surrogate", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD, 3},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD, 4},
        {"valid after invalid", "\xE9\xD0\x91", kFFFD + "\xD0\x91", 1},
        // Long ASCII runs are scanned eight bytes at a time.
        {"NUL deep in ASCII", std::string("Balance 1\0 234.50 rub", 21), "Balance 1" + kFFFD + " 234.50 rub", 1},
        {"Latin-1 after sixteen ASCII bytes", "0123456789abcdef\xE9!", "0123456789abcdef" + kFFFD + "!", 1},
        {"Latin-1 in the last byte of a word", "0123456\xE9", "0123456" + kFFFD, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.in;
        EXPECT_EQ(platform::internal::isValidText(c.in), c.replacements == 0);
        EXPECT_EQ(platform::internal::repairText(text), c.replacements);
        EXPECT_EQ(text, c.out);
        EXPECT_TRUE(platform::internal::isValidText(text));
    }
}

} // namespace
