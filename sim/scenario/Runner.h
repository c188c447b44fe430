// Runs a parsed scenario against a World, statement by statement, and stops
// at the first statement whose outcome is a failure.
//
//   World world;
//   RunResult result = runScenario(parsed.script, world);
//   if (!result.passed) print(result.failure->line, result.failure->statement, result.failure->found);
#pragma once

#include "sim/scenario/Script.h"

#include <cstddef>
#include <optional>
#include <string>

namespace sim {

class World;

// What the statements of one run share: the device, the folder its pictures
// go to, and the log cursor that `expect log` and `expect logpart` move past
// the lines they matched.
class ScenarioRun {
public:
    // An empty `picturesFolder` means the device's root folder.
    explicit ScenarioRun(World& world, std::string picturesFolder = {});

    World& world() { return m_world; }

    // Where a `render` statement writes the picture named `fileName` (a plain name).
    std::string picturePath(const std::string& fileName) const;

    // Index of the first log line that expectations still look at.
    size_t logCursor() const { return m_logCursor; }
    void moveLogCursorPast(size_t lineIndex) { m_logCursor = lineIndex + 1; }

    // Runs the run-loop work due now, so that an action's immediate effects
    // are visible to the next statement. Acting statements end with it.
    void settle();

private:
    World& m_world;
    std::string m_picturesFolder;
    size_t m_logCursor = 0;
};

struct RunFailure {
    int line = 0;
    std::string statement;
    std::string found;
};

struct RunResult {
    bool passed = true;
    int statementsRun = 0;
    int expectationsHeld = 0;
    std::optional<RunFailure> failure;
};

RunResult runScenario(const Script& script, World& world, const std::string& picturesFolder = {});

} // namespace sim
