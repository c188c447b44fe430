// UTF-8 as the platform's strings hold it: finding where characters begin and
// end, counting them, and making text safe for code that insists on valid
// UTF-8 (JSON, the text shaper).
//
//   utf8::dropLastCharacter(line);          // "Баланс" -> "Балан"
//   utf8::characterCount("руб 12");         // 6
//   utf8::sanitized("a\xFFb");              // "a\uFFFDb"
//
// A "character" here is one code point. Bytes that are not part of a valid
// sequence (a stray continuation byte, a cut-off or overlong form, a
// surrogate, anything beyond U+10FFFF) count as one character each, so no
// function ever loses or splits the bytes around them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::utf8 {

// U+FFFD, what an invalid byte stands for.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length (1 to 4) of the valid sequence that starts at byte `i`, or 0 when the
// bytes there are not one (or `i` is past the end).
size_t sequenceLength(std::string_view text, size_t i);

// Where the character that ends just before byte `end` begins: the start of a
// valid sequence ending there, otherwise end - 1. 0 when `end` is 0.
size_t previousBoundary(std::string_view text, size_t end);

// Where the character at byte `i` ends (i + its length, at least i + 1).
size_t nextBoundary(std::string_view text, size_t i);

// Removes the last character, all of its bytes; nothing when empty.
void dropLastCharacter(std::string& text);

size_t characterCount(std::string_view text);

bool isValid(std::string_view text);

// The text with every byte that is not part of a valid sequence replaced by U+FFFD.
std::string sanitized(std::string_view text);

} // namespace platform::utf8
