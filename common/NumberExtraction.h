// Number extraction: turns a reply text into the ordered list of number strings
// on which every stored field index relies. The engine and the Settings wizard
// must split any text identically, so both call extractNumbers; they differ
// only in what they log and do per entry.
//
//   auto list = quorvel::extractNumbers(text, [](const std::string& n) { ... });
//
// Number characters are ASCII digits, '-', ',' and '.'. A run of them is a
// token; a token that is exactly "-", "," or "." is dropped; every other token
// has its leading and trailing ',' and '.' removed and is kept, even when that
// leaves it empty. Two left-to-right scans (one counts the tokens, one takes
// them), no regular expressions, independent of the device's locale. Bytes
// that are not ASCII (other scripts' digits, invalid UTF-8) are simply not
// number characters.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// `onEntry` (optional) runs for each kept entry, before it is appended.
std::vector<std::string> extractNumbers(std::string_view text,
                                        const std::function<void(const std::string&)>& onEntry = {});

} // namespace quorvel

namespace quorvel {

// The engine's flavour: logs "Qvl: adding number %@ to array..." for each entry
// before it is appended.
std::vector<std::string> parseNumbers(std::string_view text);

} // namespace quorvel
