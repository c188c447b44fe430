// Makes a failed write to standard output (a full disk, a reader that went
// away) an error the user sees, instead of output silently cut short.
//
//   watchStandardOutput();                          // first thing in main
//   return finishStandardOutput(command(...));     // last
//
// Commands write their output to std::cout.
#pragma once

namespace quorvel::cli {

// Exit status when standard output could not be written.
inline constexpr int kWriteErrorExitStatus = 1;

// Ignores SIGPIPE, so a closed pipe makes writes fail with EPIPE rather than
// kill the process without a word, and routes std::cout through a buffer that
// keeps the reason of the first failed write.
void watchStandardOutput();

// Flushes standard output. When anything written to it was lost, prints
// "quorvel: cannot write standard output: REASON" to standard error and
// returns at least kWriteErrorExitStatus; otherwise returns `status`.
int finishStandardOutput(int status);

} // namespace quorvel::cli
