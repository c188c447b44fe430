// Parses a scenario and runs it on a fresh device, printing the device's log
// as it is written (the lines of each statement once it has run, stamped as
// LogStamp.h says) and reporting the outcome: what `quorvel run` and
// `quorvel demo` do.
//
//   int status = runScenarioText("x.scn", text, {}, std::cout, std::cerr);
//
// Exit statuses: 0 every expectation held; 1 a statement failed (file, line,
// statement and what was found are printed); 2 a syntax error (line and
// column), a script without statements, or a device that could not be set up.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace sim {

class World;
struct RunResult;

inline constexpr int kScenarioPassed = 0;
inline constexpr int kScenarioFailed = 1;
inline constexpr int kScenarioUnusable = 2;

struct ScenarioSessionOptions {
    // Device root folder; empty for a fresh temporary one. A given folder must
    // be empty or missing, and is left in place afterwards.
    std::string root;
    // Where `render` statements write their pictures; empty for the device
    // root folder (so a run on a temporary device leaves none behind).
    std::string pictureFolder;
    // Where files named beside the scenario are (`file ... from "NAME"`);
    // empty for the current folder.
    std::string sourceFolder;
    // No log echo and no closing "N statements" line: only failures are printed.
    bool quiet = false;
    // Runs after the scenario passed, before the device is torn down.
    std::function<void(World&, const RunResult&)> afterRun;
};

int runScenarioText(const std::string& name, const std::string& text, const ScenarioSessionOptions& options,
                    std::ostream& out, std::ostream& err);

} // namespace sim
