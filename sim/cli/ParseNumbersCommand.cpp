// quorvel parse-numbers [--indexed] [--verbose]: the engine's number
// extraction over standard input, so a reply text can be checked against
// stored field indexes by hand.
#include "sim/cli/Commands.h"

#include "common/NumberExtraction.h"
#include "host/common/text/JsonString.h"
#include "platform/foundation/Log.h"

#include <iostream>
#include <iterator>

namespace quorvel::cli {

int parseNumbersCommand(const ParseNumbersOptions& options)
{
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
        std::cerr << "quorvel: parse-numbers: cannot read standard input\n";
        return kUsageExitStatus;
    }

    // The engine logs every number it adds; asked for, those lines go to
    // standard error so they never mix with the JSON.
    platform::setLogToStandardError(options.verbose);
    std::vector<std::string> numbers = parseNumbers(text);
    platform::setLogToStandardError(false);

    // The index is what a code's field refers to: [[0,"-12,30"],[1,"1"]].
    std::string out = "[";
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            out += ',';
        if (options.indexed)
            out += "[" + std::to_string(i) + "," + host::jsonString(numbers[i]) + "]";
        else
            out += host::jsonString(numbers[i]);
    }
    out += "]\n";
    std::cout << out;
    return 0;
}

} // namespace quorvel::cli
