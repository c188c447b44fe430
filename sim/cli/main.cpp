// quorvel: the simulator's command line. One row per command in kCommands;
// each command's code is in its own file, declared in Commands.h.
#include "sim/cli/Commands.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

using quorvel::cli::CommandArgs;

struct Command {
    const char* name;
    const char* help;
    int (*run)(const CommandArgs& args);
};

const Command kCommands[] = {
    {"parse-numbers", "read a reply text on stdin, print its numbers as a JSON array", quorvel::cli::parseNumbersCommand},
    {"run", "run a scenario file on a fresh device: run FILE [--root DIR]", quorvel::cli::runCommand},
    {"demo", "run the built-in demonstration and print the codes store", quorvel::cli::demoCommand},
};

void printUsage(FILE* to)
{
    std::fprintf(to, "usage: quorvel <command> [arguments]\n\ncommands:\n");
    for (const Command& command : kCommands)
        std::fprintf(to, "  %-16s %s\n", command.name, command.help);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    if (argc < 2) {
        printUsage(stderr);
        return quorvel::cli::kUsageExitStatus;
    }
    std::string_view name = argv[1];
    for (const Command& command : kCommands) {
        if (name == command.name)
            return command.run(CommandArgs(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "quorvel: unknown command '%s'\n\n", argv[1]);
    printUsage(stderr);
    return quorvel::cli::kUsageExitStatus;
}
