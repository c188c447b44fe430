// Number extraction on arbitrary bytes, checked against a plain
// byte-at-a-time reading of the same rule: the block scan must find exactly
// the tokens the rule defines, whatever falls on a 64-byte boundary, and every
// entry must be a piece of the text made only of number characters.
#include "common/NumberExtraction.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == ',' || c == '.';
}

bool isSeparator(char c)
{
    return c == ',' || c == '.';
}

// The rule as the header states it, one byte at a time.
std::vector<std::string> referenceNumbers(std::string_view text)
{
    std::vector<std::string> numbers;
    size_t i = 0;
    while (i < text.size()) {
        if (!isNumberChar(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && isNumberChar(text[end]))
            ++end;
        std::string_view token = text.substr(i, end - i);
        i = end;
        if (token == "-" || token == "," || token == ".")
            continue;
        while (!token.empty() && isSeparator(token.front()))
            token.remove_prefix(1);
        while (!token.empty() && isSeparator(token.back()))
            token.remove_suffix(1);
        numbers.emplace_back(token);
    }
    return numbers;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzcheck::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> announced;
    const std::vector<std::string> numbers =
        quorvel::extractNumbers(text, [&](const std::string& entry) { announced.push_back(entry); });

    fuzzcheck::require(numbers == referenceNumbers(text), "the block scan differs from the byte-at-a-time rule");
    fuzzcheck::require(announced == numbers, "onEntry did not see each entry once, in order");
    fuzzcheck::require(quorvel::extractNumbers(text) == numbers, "the result depends on whether onEntry is given");
    fuzzcheck::require(quorvel::parseNumbers(text) == numbers, "the engine's flavour splits the text differently");

    // Each entry is found in the text after the one before it, and holds
    // only number characters with no separator at either end.
    size_t from = 0;
    for (const std::string& entry : numbers) {
        for (char c : entry)
            fuzzcheck::require(isNumberChar(c), "an entry holds a character that is not a number character");
        fuzzcheck::require(entry.empty() || (!isSeparator(entry.front()) && !isSeparator(entry.back())),
                           "an entry starts or ends with a separator");
        size_t at = text.find(entry, from);
        fuzzcheck::require(at != std::string_view::npos, "an entry is not a piece of the text, in order");
        from = at + entry.size();
    }
    return 0;
}
