// A parsed scenario: one statement per line, each ready to run against a World.
//
//   ParseResult parsed = parseScenario(text);
//   if (parsed.error) report(parsed.error->line, parsed.error->column, parsed.error->message);
//   RunResult result = runScenario(parsed.script, world);
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class ScenarioRun;

// What running one statement found: ok, or a failure with what was found
// instead of what was expected.
struct Outcome {
    bool ok = true;
    std::string found;

    static Outcome success() { return {}; }
    static Outcome failure(std::string found) { return {false, std::move(found)}; }
};

using Action = std::function<Outcome(ScenarioRun& run)>;

struct Statement {
    int line = 0;
    std::string text;   // the statement as written, without its comment
    Action action;
    bool expectation = false;
};

struct Script {
    std::vector<Statement> statements;
};

struct SyntaxError {
    int line = 0;
    int column = 0;     // 1-based; the column of the offending token
    std::string message;
};

} // namespace sim
