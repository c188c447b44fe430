// quorvel run FILE [--root DIR]: runs a scenario on a fresh device.
#include "sim/cli/Commands.h"

#include "sim/scenario/ScenarioSession.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace quorvel::cli {

int runCommand(const CommandArgs& args)
{
    std::string file;
    sim::ScenarioSessionOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--root" && i + 1 < args.size() && options.root.empty()) {
            options.root = args[++i];
        } else if (file.empty() && !args[i].starts_with("--")) {
            file = args[i];
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty()) {
        std::cerr << "usage: quorvel run FILE [--root DIR]\n";
        return kUsageExitStatus;
    }
    std::ifstream input(file, std::ios::binary);
    if (!input) {
        std::cerr << "quorvel: cannot read " << file << "\n";
        return kUsageExitStatus;
    }
    std::ostringstream text;
    text << input.rdbuf();
    return sim::runScenarioText(file, text.str(), options, std::cout, std::cerr);
}

} // namespace quorvel::cli
