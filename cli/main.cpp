// quorvel: the command line of the simulator and of a running quorveld. Declares every command's options
// with CLI11 and calls the command (Commands.h); each command's code is in a
// file of its own. Help and --version go to standard output and exit 0; a
// misused command line exits 2 with the reason and the command's usage.
#include "HistoryCommand.h"
#include "host/linux/client/DaemonClient.h"
#include "sim/cli/Commands.h"
#include "sim/cli/StandardOutput.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <iostream>
#include <map>
#include <string>

namespace {

using namespace quorvel::cli;

constexpr const char* kUsage = "usage: quorvel [--version] COMMAND [OPTIONS]  (quorvel COMMAND --help for more)";

struct CommandLine {
    CLI::App app{"Quorvel's simulated phone (scenarios, the demo, the engine's number extraction) and the client of quorveld.", "quorvel"};
    ParseNumbersOptions parseNumbers;
    RunOptions run;
    DemoOptions demo;
    SwarmCommandOptions swarm;
    uint64_t swarmDevice = 0;
    ServeOptions serve;
    linuxhost::WidgetCommandOptions widget;
    HistoryCommandOptions history;
    CLI::App* historyApp = nullptr;
    CLI::App* parseNumbersApp = nullptr;
    CLI::App* widgetApp = nullptr;
    CLI::App* refreshApp = nullptr;
    CLI::App* codesApp = nullptr;
    CLI::App* runApp = nullptr;
    CLI::App* demoApp = nullptr;
    CLI::App* swarmApp = nullptr;
    CLI::Option* swarmDeviceOption = nullptr;
    CLI::App* serveApp = nullptr;
    // One usage line per command, printed after a misused command line.
    std::map<const CLI::App*, std::string> usage;

    CommandLine()
    {
        app.set_version_flag("--version", std::string("quorvel ") + QUORVEL_VERSION);
        app.require_subcommand(1);

        parseNumbersApp = app.add_subcommand(
            "parse-numbers", "read a reply text on standard input, print its numbers as a JSON array");
        parseNumbersApp->add_flag("--indexed", parseNumbers.indexed,
                                      "print [index, \"number\"] pairs: the index a code's field refers to");
        parseNumbersApp->add_flag("--verbose", parseNumbers.verbose,
                                      "also print the engine's log lines, to standard error");
        usage[parseNumbersApp] = "usage: quorvel parse-numbers [--indexed] [--verbose] < reply.txt";

        runApp = app.add_subcommand("run", "run scenario files, each on a fresh device");
        runApp->add_option("FILE", run.files, "a scenario file; - for standard input")->required();
        runApp->add_option("--root", run.root, "keep the device's files in DIR (new or empty; one FILE only)")
            ->type_name("DIR");
        runApp->add_flag("--quiet,-q", run.quiet, "print only failures and the summary line");
        usage[runApp] = "usage: quorvel run [--quiet] [--root DIR] FILE...";

        demoApp = app.add_subcommand("demo", "play the built-in story, write pictures of its screens");
        demoApp->add_option("--out", demo.outFolder, "write the pictures into DIR (made if missing)")
            ->type_name("DIR");
        demoApp->add_flag("--quiet,-q", demo.quiet, "print only the paths of the pictures written");
        usage[demoApp] = "usage: quorvel demo [--out DIR] [--quiet]";

        swarmApp = app.add_subcommand("swarm", "run seeded random days on simulated devices, checking the engine's invariants");
        swarmApp->add_option("--seed", swarm.seed, "the seed every choice is drawn from (default 1)")
            ->type_name("N")
            ->check(CLI::NonNegativeNumber);
        swarmApp->add_option("--devices", swarm.devices, "how many devices (default 1)")
            ->type_name("D")
            ->check(CLI::Range(uint64_t(1), uint64_t(1000000)));
        swarmApp->add_option("--days", swarm.days, "device-days each device runs (default 1)")
            ->type_name("K")
            ->check(CLI::Range(1, 3650));
        swarmDeviceOption = swarmApp->add_option("--device", swarmDevice, "rerun only device I of the run")
                                ->type_name("I")
                                ->check(CLI::NonNegativeNumber);
        swarmApp->add_flag("--log", swarm.log, "also print every device's whole log");
        swarmApp->add_option("--jobs,-j", swarm.jobs, "run the devices on N processes, same output (default 1)")
            ->type_name("N")
            ->check(CLI::Range(1u, 256u));
        usage[swarmApp] = "usage: quorvel swarm [--seed N] [--devices D] [--days K] [--device I] [--log] [--jobs N]";
        serveApp = app.add_subcommand("serve", "serve a fresh simulated phone as a page on 127.0.0.1");
        serveApp->add_option("--port", serve.port, "listen on PORT (default 8470; 0 picks a free one)")
            ->type_name("PORT")
            ->check(CLI::Range(0, 65535));
        serveApp->add_option("--scenario", serve.scenario, "set the device up with a scenario's statements first")
            ->type_name("FILE");
        serveApp->add_flag("--keep-replies", serve.keepReplies,
                           "keep each code's last reply text and show it, as quorveld does (off by default)");
        usage[serveApp] = "usage: quorvel serve [--port PORT] [--scenario FILE] [--keep-replies]";

        widgetApp = app.add_subcommand("widget", "print the running quorveld's widget as a status-bar JSON line");
        widgetApp->add_flag("--follow,-f", widget.follow, "print one line per redraw until stopped");
        usage[widgetApp] = "usage: quorvel widget [--follow]";

        refreshApp = app.add_subcommand("refresh", "ask the running quorveld for a refresh (the widget's tap)");
        usage[refreshApp] = "usage: quorvel refresh";

        codesApp = app.add_subcommand("codes", "print the running quorveld's codes with their figures as JSON");
        usage[codesApp] = "usage: quorvel codes";

        historyApp = app.add_subcommand("history", "print the stored values over time (CSV with a header, or JSON)");
        historyApp->add_option("--root", history.root,
                               "the device root (default: quorveld's, $XDG_STATE_HOME/quorvel; a simulated device's as `quorvel run --root` keeps it)")
            ->type_name("DIR");
        historyApp->add_option("--code", history.code, "only this code, such as *100#")->type_name("CODE");
        historyApp->add_option("--since", history.since, "only refreshes at or after DATE (ISO 8601; UTC without a zone)")
            ->type_name("DATE");
        historyApp->add_option("--format", history.format, "csv (default) or json")
            ->type_name("csv|json")
            ->check(CLI::IsMember({"csv", "json"}));
        usage[historyApp] = "usage: quorvel history [--root DIR] [--code CODE] [--since DATE] [--format csv|json]";
    }

    int dispatch()
    {
        if (*parseNumbersApp)
            return quorvel::cli::parseNumbersCommand(parseNumbers);
        if (*runApp)
            return quorvel::cli::runCommand(run);
        if (*widgetApp)
            return linuxhost::widgetCommand(widget);
        if (*refreshApp)
            return linuxhost::refreshCommand();
        if (*codesApp)
            return linuxhost::codesCommand();
        if (*swarmApp) {
            SwarmCommandOptions options = swarm;
            if (swarmDeviceOption->count() > 0)
                options.device = swarmDevice;
            return quorvel::cli::swarmCommand(options);
        }
        if (*serveApp)
            return quorvel::cli::serveCommand(serve);
        if (*historyApp)
            return quorvel::cli::historyCommand(history);
        return quorvel::cli::demoCommand(demo);
    }

    // The reason the command line was refused, then the usage of the command
    // it names (or of quorvel itself).
    int refuse(const CLI::ParseError& error, int argc, char** argv) const
    {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        if (chosen.empty()) {
            // Without a command the list of commands is what helps.
            if (argc < 2)
                std::cerr << "quorvel: no command given\n";
            else if (argv[1][0] != '-')
                std::cerr << "quorvel: unknown command '" << argv[1] << "'\n";
            else
                std::cerr << "quorvel: unknown option '" << argv[1] << "'\n";
            std::cerr << kUsage << "\n\n" << app.help();
        } else {
            std::cerr << "quorvel: " << chosen.front()->get_name() << ": " << error.what() << "\n"
                      << usage.at(chosen.front()) << "\n";
        }
        return kUsageExitStatus;
    }
};

} // namespace

int main(int argc, char** argv)
{
    watchStandardOutput();
    CommandLine commandLine;
    // "quorvel help [COMMAND]" reads as the --help it stands for.
    if (argc >= 2 && std::strcmp(argv[1], "help") == 0) {
        if (argc < 3) {
            std::cout << commandLine.app.help();
            return finishStandardOutput(0);
        }
        try {
            std::cout << commandLine.app.get_subcommand(argv[2])->help("quorvel");
        } catch (const CLI::OptionNotFound&) {
            std::cerr << "quorvel: unknown command '" << argv[2] << "'\n" << kUsage << "\n";
            return kUsageExitStatus;
        }
        return finishStandardOutput(0);
    }
    try {
        commandLine.app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        // --help or --version: printed to standard output.
        return finishStandardOutput(commandLine.app.exit(done, std::cout, std::cerr));
    } catch (const CLI::ParseError& error) {
        return commandLine.refuse(error, argc, argv);
    }
    return finishStandardOutput(commandLine.dispatch());
}
