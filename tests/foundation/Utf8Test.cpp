// UTF-8 boundaries, counts and sanitising on valid text in several scripts and
// on the malformed bytes a carrier's reply or a scenario file may carry.
#include "platform/foundation/Utf8.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(Utf8, SequenceLengthAcceptsOnlyWellFormedShortestForms)
{
    struct Case {
        const char* name;
        std::string bytes;
        size_t expected;
    };
    const Case cases[] = {
        {"ASCII", "a", 1},
        {"Cyrillic", "\xD0\x91", 2},                // Б
        {"CJK", "\xE4\xBD\x99", 3},                 // 余
        {"emoji", "\xF0\x9F\x98\x80", 4},           // U+1F600
        {"highest code point", "\xF4\x8F\xBF\xBF", 4},
        {"stray continuation", "\x80", 0},
        {"cut off", "\xE4\xBD", 0},
        {"lead then ASCII", "\xD0" "a", 0},
        {"overlong slash", "\xC0\xAF", 0},
        {"overlong three bytes", "\xE0\x80\xAF", 0},
        {"surrogate", "\xED\xA0\x80", 0},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0},
        {"never a lead byte", "\xFF", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8::sequenceLength(c.bytes, 0), c.expected);
        EXPECT_EQ(utf8::isValid(c.bytes), c.expected == c.bytes.size());
    }
    EXPECT_EQ(utf8::sequenceLength("a", 1), 0u) << "past the end";
}

TEST(Utf8, DroppingTheLastCharacterTakesAllItsBytesAndNothingBefore)
{
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ASCII", "ab", "a"},
        {"Cyrillic", "Баланс", "Балан"},
        {"CJK", "余额", "余"},
        {"emoji", "a\xF0\x9F\x98\x80", "a"},
        // Invalid bytes go one at a time, never taking a valid character with them.
        {"stray continuations", "a\x80\x80", "a\x80"},
        {"cut-off sequence", "Б\xE4\xBD", "Б\xE4"},
        {"invalid byte after CJK", "余\xFF", "余"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        utf8::dropLastCharacter(text);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(Utf8, CountsCharactersWithEachInvalidByteAsOne)
{
    EXPECT_EQ(utf8::characterCount(""), 0u);
    EXPECT_EQ(utf8::characterCount("Баланс 120,50 руб"), 17u);
    EXPECT_EQ(utf8::characterCount("余额 12.30 元"), 10u);
    EXPECT_EQ(utf8::characterCount("a\xE4\xBD" "b"), 4u);
    // Walking forwards and backwards meets the same boundaries.
    const std::string mixed = "Б\xFF余\x80x";
    size_t forward = 0;
    for (size_t i = 0; i < mixed.size(); i = utf8::nextBoundary(mixed, i))
        ++forward;
    size_t backward = 0;
    for (size_t end = mixed.size(); end > 0; end = utf8::previousBoundary(mixed, end))
        ++backward;
    EXPECT_EQ(forward, 5u);
    EXPECT_EQ(backward, forward);
}

TEST(Utf8, SanitisingReplacesOnlyTheInvalidBytes)
{
    EXPECT_EQ(utf8::sanitized("Баланс 12"), "Баланс 12");
    EXPECT_EQ(utf8::sanitized("a\xFF" "b"), "a\uFFFDb");
    EXPECT_EQ(utf8::sanitized("\xE4\xBD"), "\uFFFD") << "a sequence cut short is one bad character";
    EXPECT_EQ(utf8::sanitized("\xC0\xAF"), "\uFFFD\uFFFD") << "an overlong form is two bad bytes";
    EXPECT_TRUE(utf8::isValid(utf8::sanitized("\x80\xED\xA0\x80 余")));
}

} // namespace
