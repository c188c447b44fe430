#include "sim/scenario/Runner.h"

#include "sim/world/World.h"

namespace sim {

void ScenarioRun::settle()
{
    m_world.runPending();
}

RunResult runScenario(const Script& script, World& world)
{
    RunResult result;
    ScenarioRun run(world);
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
