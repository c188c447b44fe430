// quorvel demo [--out DIR] [--quiet]: plays the story of sim/cli/story.scn on
// a simulated phone, then prints the codes store it left and the pictures it
// wrote.
#include "sim/cli/Commands.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "sim/cli/StoryScript.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/ScenarioSession.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace quorvel::cli {

namespace {

namespace fs = std::filesystem;

// The name the story goes by in the log and in failure messages.
constexpr const char* kStoryName = "story.scn";

std::string describeFolder(const std::string& folder)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(folder.empty() ? fs::path(".") : fs::path(folder), error);
    return error ? folder : absolute.lexically_normal().string();
}

// After the story: the codes store and the pictures' names, or with --quiet
// only the pictures' paths, one a line, for a script to pick up.
void printOutcome(const DemoOptions& options, const sim::RunResult& result)
{
    if (options.quiet) {
        for (const std::string& path : result.pictures)
            std::cout << path << "\n";
        return;
    }
    std::cout << "\nsim: the codes store, " << kCodesStorePath << ":\n";
    std::cout << platform::readFile(kCodesStorePath).value_or("(missing)\n");
    std::cout << "sim: pictures written to " << describeFolder(options.outFolder) << ":\n";
    for (const std::string& path : result.pictures)
        std::cout << "  " << fs::path(path).filename().string() << "\n";
}

} // namespace

int demoCommand(const DemoOptions& options)
{
    if (!options.outFolder.empty()) {
        std::error_code error;
        fs::create_directories(options.outFolder, error);
        if (error || !fs::is_directory(options.outFolder, error)) {
            std::cerr << "quorvel: demo: cannot use " << options.outFolder << " for the pictures: "
                      << (error ? error.message() : std::string("not a folder")) << "\n";
            return kUsageExitStatus;
        }
    }
    sim::ScenarioSessionOptions session;
    session.pictureFolder = options.outFolder.empty() ? std::string(".") : options.outFolder;
    session.quiet = options.quiet;
    session.afterRun = [&options](sim::World&, const sim::RunResult& result) { printOutcome(options, result); };
    return sim::runScenarioText(kStoryName, std::string(storyScript()), session, std::cout, std::cerr);
}

} // namespace quorvel::cli
