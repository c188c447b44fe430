// JSON text for the page's state: strings quoted and escaped, bytes that are
// not UTF-8 turned into U+FFFD, so whatever a carrier sent stays valid JSON.
#pragma once

#include <string>
#include <string_view>

namespace host {

std::string jsonQuoted(std::string_view text);

} // namespace host
