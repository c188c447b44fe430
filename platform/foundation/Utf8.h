// UTF-8 as the platform's strings hold it: finding where characters begin and
// end, counting them, and making text safe for code that insists on valid
// UTF-8 (JSON, the text shaper).
//
//   utf8::dropLastCharacter(line);          // "Баланс" -> "Балан"
//   utf8::characterCount("руб 12");         // 6
//   utf8::sanitized("a\xFFb");              // "a\uFFFDb"
//   utf8::sanitized("\xE4\xBD");            // one U+FFFD: a sequence cut short
//
// A "character" here is one code point. Bytes that are not part of a valid
// sequence (a stray continuation byte, a cut-off or overlong form, a
// surrogate, anything beyond U+10FFFF) count as one character each, so no
// function ever loses or splits the bytes around them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::utf8 {

// U+FFFD, what an invalid byte stands for.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length (1 to 4) of the valid sequence that starts at byte `i`, or 0 when the
// bytes there are not one (or `i` is past the end).
size_t sequenceLength(std::string_view text, size_t i);

// When the bytes at `i` are not a valid sequence: how many of them one U+FFFD
// stands for, the lead byte with the continuation bytes that could still have
// completed it (the Unicode standard's "maximal subpart"), at least 1.
// 0 when a valid sequence starts there.
size_t invalidRunLength(std::string_view text, size_t i);

// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
void appendCodePoint(uint32_t codePoint, std::string& out);

// Where the character that ends just before byte `end` begins: the start of a
// valid sequence ending there, otherwise end - 1. 0 when `end` is 0.
size_t previousBoundary(std::string_view text, size_t end);

// Where the character at byte `i` ends (i + its length, at least i + 1).
size_t nextBoundary(std::string_view text, size_t i);

// Removes the last character, all of its bytes; nothing when empty.
void dropLastCharacter(std::string& text);

size_t characterCount(std::string_view text);

bool isValid(std::string_view text);

// The text with U+FFFD for each maximal subpart that is not valid UTF-8
// (and for each NUL when asked), everything valid kept; `replacements`, when
// given, receives how many it made.
std::string sanitized(std::string_view text, bool replaceNul = false, size_t* replacements = nullptr);

} // namespace platform::utf8
