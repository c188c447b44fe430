#include "sim/scenario/ScenarioSession.h"

#include "platform/foundation/Utf8.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/LogStamp.h"
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
    std::istringstream input{std::string(withoutByteOrderMark(text))};
    std::string line;
    for (int i = 0; i < lineNumber && std::getline(input, line); ++i) {
    }
    return line;
}

void reportSyntaxError(const std::string& name, const std::string& text, const SyntaxError& error, std::ostream& err)
{
    err << name << ":" << error.line << ":" << error.column << ": syntax error: " << error.message << "\n";
    std::string line = sourceLine(text, error.line);
    // One blank per character before the column (columns count characters);
    // tabs are kept so the caret lines up however wide they are shown.
    std::string caret;
    size_t at = 0;
    for (int column = 1; column < error.column; ++column) {
        caret += at < line.size() && line[at] == '\t' ? '\t' : ' ';
        at = platform::utf8::nextBoundary(line, at);
    }
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
    if (parsed.script.statements.empty()) {
        // An empty file, a folder read as one, or a wrong path that names
        // /dev/null would otherwise pass without checking anything.
        err << "quorvel: " << name << ": no statements\n";
        return kScenarioUnusable;
    }
    if (!options.root.empty() && !usableRoot(options.root, err))
        return kScenarioUnusable;

    World world(WorldOptions{options.root});
    if (!world.ok()) {
        err << "quorvel: cannot prepare a device folder" << (options.root.empty() ? "" : " at " + options.root) << "\n";
        return kScenarioUnusable;
    }
    // The device's set-up lines come first, then each statement's once it has run.
    const platform::Date start = world.now();
    size_t printed = 0;
    auto printNewLines = [&] {
        const auto& lines = world.log().lines();
        for (; printed < lines.size(); ++printed)
            out << printableLine(lines[printed], start) << "\n";
        out.flush();
    };
    RunOptions run{options.pictureFolder, options.sourceFolder, {}};
    if (!options.quiet) {
        printNewLines();
        run.afterEachStatement = printNewLines;
    }
    RunResult result = runScenario(parsed.script, world, run);

    if (!result.passed) {
        const RunFailure& failure = *result.failure;
        err << name << ":" << failure.line << ": failed: " << failure.statement << "\n  found: " << failure.found << "\n";
        return kScenarioFailed;
    }
    if (options.afterRun)
        options.afterRun(world, result);
    if (!options.quiet) {
        out << "sim: " << name << ": " << counted(result.statementsRun, "statement") << ", "
            << counted(result.expectationsHeld, "expectation") << " held\n";
    }
    return kScenarioPassed;
}

} // namespace sim
