#include "sim/scenario/Runner.h"

#include "sim/world/World.h"

#include <filesystem>

namespace sim {

void ScenarioRun::settle()
{
    m_world.runPending();
}

std::string ScenarioRun::picturePath(const std::string& file) const
{
    return (std::filesystem::path(m_pictureFolder.empty() ? m_world.root() : m_pictureFolder) / file).lexically_normal().string();
}

RunResult runScenario(const Script& script, World& world, const std::string& pictureFolder)
{
    RunResult result;
    ScenarioRun run(world, pictureFolder);
    for (const Statement& statement : script.statements) {
        Outcome outcome = statement.action(run);
        ++result.statementsRun;
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
