#pragma once

#include <string>
#include <string_view>

namespace host {

// `text` as a JSON string literal, quotes included. UTF-8 passes through
// whole; control characters are escaped, and a byte that is not part of a
// valid UTF-8 sequence becomes \ufffd, so the output is always valid JSON.
std::string jsonString(std::string_view text);

} // namespace host
