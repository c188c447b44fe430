// Turns a scenario text into a Script, or names the first syntax error by
// line and column. Parsing touches no device: every statement is checked
// (arguments, and its place before or after `boot`) before anything runs.
#pragma once

#include "sim/scenario/Script.h"

#include <optional>
#include <string>
#include <string_view>

namespace sim {

class VerbTable;

struct ParseResult {
    Script script;
    std::optional<SyntaxError> error;
};

// A UTF-8 byte-order mark, which some editors put at the start of a file, is
// skipped; columns on the first line count from after it.
ParseResult parseScenario(const std::string& text);
ParseResult parseScenario(const std::string& text, const VerbTable& verbs);

// `text` without a leading UTF-8 byte-order mark.
std::string_view withoutByteOrderMark(std::string_view text);

} // namespace sim
