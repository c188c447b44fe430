// A code's menu path as the page takes it: the choices in order, separated by
// '/' ("1/2" answers the first menu with 1 and the next with 2), blanks
// around each choice ignored, an empty text for no menu at all.
//
//   std::string problem;
//   if (auto choices = parseMenuPath("1 / 2", problem)) ...   // {"1", "2"}
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace host {

inline constexpr char kMenuPathSeparator = '/';
// What the engine takes: at most this many choices of at most this many bytes.
inline constexpr size_t kMaxMenuPathChoices = 16;
inline constexpr size_t kMaxMenuPathChoiceLength = 182;

// The choices of `text`; nullopt with a one-line `problem` for an empty
// choice ("1//2"), one longer than a reply field takes, control characters,
// or too many choices.
std::optional<std::vector<std::string>> parseMenuPath(const std::string& text, std::string& problem);

} // namespace host
