// What the code entry takes as it is typed or pasted: the characters a USSD
// code is made of (0-9 * # +), up to the length quorveld accepts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvelapp {

// quorveld refuses longer codes (InvalidArgument).
inline constexpr size_t kMaxCodeLength = 40;

bool isCodeCharacter(char c);

// The part of `typed` the entry keeps when it already holds `lengthBefore`
// characters: every other character dropped, the rest cut at kMaxCodeLength.
std::string acceptedCodeText(std::string_view typed, size_t lengthBefore);

// A code quorveld would dial: not empty, only code characters, not too long.
bool isDiallableCode(std::string_view code);

} // namespace quorvelapp
