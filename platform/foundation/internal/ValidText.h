// Text as property lists store it: UTF-8 with no NUL character. Both the
// reader and the writer pass every string and key through here, because the
// parser's binary writer turns bytes that are not UTF-8 into a shortened or
// empty UTF-16 string (which its own reader then refuses), and every C-string
// step of the parser cuts a text at its first NUL.
//
//   std::string s = "caf\xe9";
//   repairText(s);   // 1; s is "caf\xEF\xBF\xBD" ("caf" and U+FFFD)
//
// A NUL character, and each maximal run of bytes that cannot begin or continue
// a UTF-8 sequence, becomes U+FFFD; everything valid around it is kept, so
// nothing after a bad byte or a NUL is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::internal {

// True when the text is UTF-8 without NUL, which repairText leaves as it is.
bool isValidText(const std::string& text);

// Replaces NUL characters and invalid bytes in place; returns how many
// replacements it made (0: the text was valid and is unchanged).
size_t repairText(std::string& text);

// UTF-8 from `units` big-endian UTF-16 code units at `bytes`: NUL characters
// and unpaired surrogates become U+FFFD, counted in `replaced`.
std::string utf8FromUtf16BigEndian(const unsigned char* bytes, size_t units, size_t& replaced);

} // namespace platform::internal
