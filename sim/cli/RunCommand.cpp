// quorvel run [--quiet] [--root DIR] FILE...: runs scenarios, each on a fresh device.
#include "sim/cli/Commands.h"

#include "sim/scenario/ScenarioSession.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <optional>
#include <unistd.h>

namespace quorvel::cli {

namespace {

namespace fs = std::filesystem;

// What a scenario is called in messages: its path, or <stdin> for "-".
std::string scriptName(const std::string& file)
{
    return file == "-" ? "<stdin>" : file;
}

// Reads the whole script; on failure returns the system's reason (strerror),
// so a folder reads as "Is a directory" rather than as an empty script.
std::optional<std::string> readScript(const std::string& file, std::string& text)
{
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad())
            return std::string("cannot read standard input");
        return std::nullopt;
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::string(std::strerror(errno));
    char buffer[16384];
    std::optional<std::string> problem;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            problem = std::strerror(errno);
            break;
        }
    }
    ::close(fd);
    return problem;
}

} // namespace

int runCommand(const RunOptions& options)
{
    if (options.files.empty()) {
        std::cerr << "quorvel: run: no scenario file given\n";
        return kUsageExitStatus;
    }
    if (!options.root.empty() && options.files.size() > 1) {
        // Each scenario needs a fresh device, and a kept root must start empty.
        std::cerr << "quorvel: run: --root keeps one device, so it takes one scenario file, not "
                  << options.files.size() << "\n";
        return kUsageExitStatus;
    }
    sim::ScenarioSessionOptions session;
    session.root = options.root;
    session.quiet = options.quiet;

    int passed = 0;
    int failed = 0;
    bool unusable = false;
    for (const std::string& file : options.files) {
        const std::string name = scriptName(file);
        std::string text;
        int status;
        if (std::optional<std::string> problem = readScript(file, text)) {
            std::cerr << "quorvel: " << name << ": " << *problem << "\n";
            status = sim::kScenarioUnusable;
        } else {
            // Files a scenario names beside itself are found next to it.
            session.sourceFolder = file == "-" ? std::string() : fs::path(file).parent_path().string();
            status = sim::runScenarioText(name, text, session, std::cout, std::cerr);
        }
        if (status == sim::kScenarioPassed) {
            ++passed;
        } else {
            ++failed;
            unusable = unusable || status == sim::kScenarioUnusable;
        }
    }
    std::cout << passed << " passed, " << failed << " failed\n";
    if (unusable)
        return sim::kScenarioUnusable;
    return failed > 0 ? sim::kScenarioFailed : sim::kScenarioPassed;
}

} // namespace quorvel::cli
