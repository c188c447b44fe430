// Turns a scenario text into a Script, or names the first syntax error by
// line and column. Parsing touches no device: every statement is checked
// (arguments, and its place before or after `boot`) before anything runs.
#pragma once

#include "sim/scenario/Script.h"

#include <optional>
#include <string>

namespace sim {

class VerbTable;

struct ParseResult {
    Script script;
    std::optional<SyntaxError> error;
};

ParseResult parseScenario(const std::string& text);
ParseResult parseScenario(const std::string& text, const VerbTable& verbs);

} // namespace sim
