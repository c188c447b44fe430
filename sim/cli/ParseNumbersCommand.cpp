// quorvel parse-numbers: the engine's number extraction over standard input,
// so a reply text can be checked against stored field indexes by hand.
#include "sim/cli/Commands.h"

#include "common/NumberExtraction.h"
#include "platform/foundation/Log.h"

#include <cstdio>
#include <iostream>
#include <iterator>

namespace quorvel::cli {

int parseNumbersCommand(const CommandArgs& args)
{
    if (!args.empty()) {
        std::fprintf(stderr, "usage: quorvel parse-numbers < reply.txt\n");
        return kUsageExitStatus;
    }
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());

    // The per-entry log lines are part of what the engine does; show them
    // without mixing them into the JSON on standard output.
    platform::setLogToStandardError(true);
    std::vector<std::string> numbers = parseNumbers(text);

    std::string out = "[";
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            out += ',';
        out += jsonString(numbers[i]);
    }
    out += "]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace quorvel::cli
