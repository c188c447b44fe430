#include "sim/scenario/Runner.h"

#include "sim/world/World.h"

#include <filesystem>

namespace sim {

ScenarioRun::ScenarioRun(World& world, RunOptions options)
    : m_world(world)
    , m_options(std::move(options))
    , m_start(world.now())
{
}

std::string ScenarioRun::sourcePath(const std::string& file) const
{
    if (m_options.sourceFolder.empty() || std::filesystem::path(file).is_absolute())
        return file;
    return (std::filesystem::path(m_options.sourceFolder) / file).string();
}

void ScenarioRun::settle()
{
    m_world.runPending();
}

std::string ScenarioRun::picturePath(const std::string& file) const
{
    const std::string& folder = m_options.pictureFolder;
    return (std::filesystem::path(folder.empty() ? m_world.root() : folder) / file).lexically_normal().string();
}

RunResult runScenario(const Script& script, World& world, const RunOptions& options)
{
    RunResult result;
    ScenarioRun run(world, options);
    for (const Statement& statement : script.statements) {
        Outcome outcome = statement.action(run);
        ++result.statementsRun;
        if (options.afterEachStatement)
            options.afterEachStatement();
        if (!outcome.ok) {
            result.passed = false;
            result.failure = RunFailure{statement.line, statement.text, outcome.found};
            break;
        }
        if (statement.expectation)
            ++result.expectationsHeld;
    }
    result.pictures = run.pictures();
    return result;
}

} // namespace sim
