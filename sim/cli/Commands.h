// The `quorvel` command line's commands. Each lives in a file of its own
// (<Name>Command.cpp) and has one line in the table in main.cpp.
//
//   int parseNumbersCommand(const CommandArgs& args);   // args after the command's name
//
// A command reads standard input and writes standard output itself and
// returns the process exit status.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

using CommandArgs = std::vector<std::string>;

// Exit status for a misused command line (unknown command, bad arguments).
inline constexpr int kUsageExitStatus = 2;

// Reads a reply text from standard input and prints its numbers as a JSON array.
int parseNumbersCommand(const CommandArgs& args);

// Runs a scenario file on a fresh device: quorvel run FILE [--root DIR].
int runCommand(const CommandArgs& args);

// Runs the built-in demonstration scenario and prints the codes store.
int demoCommand(const CommandArgs& args);

// `text` as a JSON string literal, quotes included. Bytes that are not valid
// UTF-8 become U+FFFD so the output is always valid JSON.
std::string jsonString(std::string_view text);

} // namespace quorvel::cli
