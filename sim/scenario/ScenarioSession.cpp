#include "sim/scenario/ScenarioSession.h"

#include "sim/scenario/Parser.h"
#include "sim/scenario/Runner.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <filesystem>
#include <ostream>
#include <sstream>
#include <system_error>

namespace sim {

namespace {

std::string sourceLine(const std::string& text, int lineNumber)
{
    std::istringstream input(text);
    std::string line;
    for (int i = 0; i < lineNumber && std::getline(input, line); ++i) {
    }
    return line;
}

void reportSyntaxError(const std::string& name, const std::string& text, const SyntaxError& error, std::ostream& err)
{
    err << name << ":" << error.line << ":" << error.column << ": syntax error: " << error.message << "\n";
    std::string line = sourceLine(text, error.line);
    std::string caret;
    for (int i = 1; i < error.column; ++i)
        caret += i - 1 < static_cast<int>(line.size()) && line[i - 1] == '\t' ? '\t' : ' ';
    err << "  " << line << "\n  " << caret << "^\n";
}

bool usableRoot(const std::string& root, std::ostream& err)
{
    std::error_code error;
    if (!std::filesystem::exists(root, error))
        return true;
    if (!std::filesystem::is_directory(root, error)) {
        err << "quorvel: --root " << root << " is not a folder\n";
        return false;
    }
    if (!std::filesystem::is_empty(root, error)) {
        // A used device would mix old stores into the run; never clear a folder we did not make.
        err << "quorvel: --root " << root << " is not empty; give a new or empty folder\n";
        return false;
    }
    return true;
}

} // namespace

int runScenarioText(const std::string& name, const std::string& text, const ScenarioSessionOptions& options,
                    std::ostream& out, std::ostream& err)
{
    ParseResult parsed = parseScenario(text);
    if (parsed.error) {
        reportSyntaxError(name, text, *parsed.error, err);
        return kScenarioUnusable;
    }
    if (!options.root.empty() && !usableRoot(options.root, err))
        return kScenarioUnusable;

    World world(WorldOptions{options.root});
    if (!world.ok()) {
        err << "quorvel: cannot prepare a device folder" << (options.root.empty() ? "" : " at " + options.root) << "\n";
        return kScenarioUnusable;
    }
    // Lines written before the echo starts (the device's set-up) are printed first.
    for (const LogLine& line : world.log().lines())
        out << LogCapture::printable(line) << "\n";
    world.log().echoTo(&out);
    RunResult result = runScenario(parsed.script, world, options.picturesFolder);
    world.log().echoTo(nullptr);
    out.flush();

    if (!result.passed) {
        const RunFailure& failure = *result.failure;
        err << name << ":" << failure.line << ": failed: " << failure.statement << "\n  found: " << failure.found << "\n";
        return kScenarioFailed;
    }
    if (options.afterRun)
        options.afterRun(world);
    out << "sim: " << name << ": " << result.statementsRun << " statements, " << result.expectationsHeld
        << " expectations held\n";
    return kScenarioPassed;
}

} // namespace sim
