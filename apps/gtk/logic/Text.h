// Text from outside (the daemon's replies, codes, titles and state) made fit
// to show, and the app's texts filled in. No widget code: tested on its own.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quorvelapp {

// `format` with each %s replaced, in order, by the next value (a missing one
// by nothing); the values are copied as they are, never read as formats.
std::string fill(std::string_view format, std::initializer_list<std::string_view> values);

// Outside text for a label: invalid UTF-8 replaced, control characters shown
// as \n, \t, \x1b (line breaks kept when `keepLines`), and cut after
// `maxCharacters` characters with an ellipsis. Labels get it as plain text,
// never as markup.
std::string shownText(std::string_view text, size_t maxCharacters, bool keepLines = false);

// The same for text that a widget reads as Pango markup (a toast's title).
std::string shownMarkup(std::string_view text, size_t maxCharacters);

} // namespace quorvelapp
