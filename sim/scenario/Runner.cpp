#include "sim/scenario/Runner.h"

#include "sim/world/World.h"

#include <utility>

namespace sim {

ScenarioRun::ScenarioRun(World& world, std::string picturesFolder)
    : m_world(world), m_picturesFolder(std::move(picturesFolder))
{
}

std::string ScenarioRun::picturePath(const std::string& fileName) const
{
    return (m_picturesFolder.empty() ? m_world.root() : m_picturesFolder) + "/" + fileName;
}

void ScenarioRun::settle()
{
    m_world.runPending();
}

RunResult runScenario(const Script& script, World& world, const std::string& picturesFolder)
{
    RunResult result;
    ScenarioRun run(world, picturesFolder);
    for (const Statement& statement : script.statements) {
        Outcome outcome = statement.action(run);
        ++result.statementsRun;
        if (!outcome.ok) {
            result.passed = false;
            result.failure = RunFailure{statement.line, statement.text, outcome.found};
            return result;
        }
        if (statement.expectation)
            ++result.expectationsHeld;
    }
    return result;
}

} // namespace sim
