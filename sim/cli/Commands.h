// The `quorvel` command line's commands. main.cpp reads each command's options
// from the command line (with CLI11) into its options struct and calls the
// command; each command lives in a file of its own (<Name>Command.cpp).
//
//   RunOptions options;
//   options.files = {"a.scn", "-"};
//   int status = runCommand(options);   // the process exit status
//
// A command reads standard input and writes standard output itself; main.cpp
// checks afterwards that what it wrote reached standard output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

// Exit status for a misused command line (unknown command, bad arguments,
// a file that cannot be read).
inline constexpr int kUsageExitStatus = 2;

struct ParseNumbersOptions {
    bool indexed = false;   // [[0,"-12,30"],...] instead of ["-12,30",...]
    bool verbose = false;   // the engine's log lines on standard error
};

// Reads a reply text from standard input and prints its numbers as a JSON array.
int parseNumbersCommand(const ParseNumbersOptions& options);

struct RunOptions {
    std::vector<std::string> files;   // "-" is standard input
    std::string root;                 // device folder to keep; one file only
    bool quiet = false;               // only failures and the summary line
};

// Runs each scenario file on a fresh device and ends with "N passed, N failed".
// Exit status: 2 when any file could not be read or parsed, else 1 when any
// failed, else 0.
int runCommand(const RunOptions& options);

struct DemoOptions {
    std::string outFolder;   // where the pictures go; empty for the current folder
    bool quiet = false;      // print only the pictures' paths (and errors)
};

// Plays the built-in story (sim/cli/story.scn), prints the codes store it left
// and the pictures it wrote.
int demoCommand(const DemoOptions& options);

struct SwarmCommandOptions {
    uint64_t seed = 1;
    uint64_t devices = 1;
    int days = 1;
    std::optional<uint64_t> device;   // rerun only this device of the run
    bool log = false;                 // print every device's log too
    unsigned jobs = 1;                // processes the devices run on
};

// Runs the seeded swarm of simulated devices with its invariants (see
// sim/swarm/SwarmRun.h). Exit status: 0 every invariant held, 1 any failed,
// 2 a device index outside the run.
int swarmCommand(const SwarmCommandOptions& options);

struct ServeOptions {
    int port = 8470;          // 0 picks a free one
    std::string scenario;     // statements that set the device up first
    bool keepReplies = false; // the home screen keeps each code's last reply (as quorveld does)
};

// Serves a fresh simulated device as a page on 127.0.0.1 until SIGINT or
// SIGTERM. Exit status: 0 after a clean stop, 1 when the port cannot be
// bound, as `quorvel run` when the scenario fails.
int serveCommand(const ServeOptions& options);

} // namespace quorvel::cli
