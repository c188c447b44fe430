// Runs a parsed scenario against a World, statement by statement, and stops
// at the first statement whose outcome is a failure.
//
//   World world;
//   RunResult result = runScenario(parsed.script, world);
//   if (!result.passed) print(result.failure->line, result.failure->statement, result.failure->found);
#pragma once

#include "platform/foundation/Date.h"
#include "sim/scenario/Script.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

class World;

// How a script runs: where its pictures go, where the files it names beside
// it are, and what to do after each statement (a session prints the log lines
// written meanwhile).
struct RunOptions {
    // Relative picture names go here; empty for the current folder.
    std::string pictureFolder;
    // The folder of the scenario file, for files named beside it; empty for
    // the current folder (a script read from standard input).
    std::string sourceFolder;
    std::function<void()> afterEachStatement;
};

// What the statements of one run share: the device, the log cursor that
// `expect log` and `expect logpart` move past the lines they matched, and the
// pictures `render` statements wrote.
class ScenarioRun {
public:
    explicit ScenarioRun(World& world, RunOptions options = {});

    World& world() { return m_world; }
    // When the run began on the device's clock (log stamps count days from it).
    platform::Date start() const { return m_start; }

    // Where a file named `file` beside the scenario is on the host.
    std::string sourcePath(const std::string& file) const;

    // Index of the first log line that expectations still look at.
    size_t logCursor() const { return m_logCursor; }
    void moveLogCursorPast(size_t lineIndex) { m_logCursor = lineIndex + 1; }

    // Runs the run-loop work due now, so that an action's immediate effects
    // are visible to the next statement. Acting statements end with it.
    void settle();

    // Where a picture named `file` (a plain file name) is written: into the
    // run's picture folder, the device's root folder when none is set.
    std::string picturePath(const std::string& file) const;
    void notePictureWritten(const std::string& path) { m_pictures.push_back(path); }
    const std::vector<std::string>& pictures() const { return m_pictures; }

private:
    World& m_world;
    RunOptions m_options;
    platform::Date m_start;
    size_t m_logCursor = 0;
    std::vector<std::string> m_pictures;
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
    // The pictures written, as paths, in the order they were written.
    std::vector<std::string> pictures;
};

RunResult runScenario(const Script& script, World& world, const RunOptions& options = {});

} // namespace sim
