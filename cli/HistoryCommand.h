// quorvel history [--root DIR] [--code CODE] [--since DATE] [--format csv|json]:
// prints the history database of a device root, read-only, in time order.
//
//   HistoryCommandOptions options;
//   options.root = "/tmp/dev";                 // as `quorvel run --root` keeps it
//   int status = historyCommand(options);      // CSV with a header on standard output
//
// Without a root, the running quorveld's: $XDG_STATE_HOME/quorvel, else
// ~/.local/state/quorvel (linuxhost::defaultRoot). Exit status:
// 0 printed (an empty history prints the header only), 1 the database is
// missing, unreadable or no history, 2 a DATE that is not ISO 8601.
#pragma once

#include <string>

namespace quorvel::cli {

struct HistoryCommandOptions {
    std::string root;      // empty: quorveld's default root
    std::string code;      // empty: every code
    std::string since;     // empty: from the start
    std::string format = "csv";
};

int historyCommand(const HistoryCommandOptions& options);

} // namespace quorvel::cli
