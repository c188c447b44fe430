// The scenario parser on arbitrary text. Parsing either yields statements, in
// the order of their lines, each with an action, or names one syntax error
// at a line and column that exist in the text, with a message. Nothing runs:
// the actions are only built.
#include "fuzz/FuzzSupport.h"
#include "sim/scenario/Parser.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The lines as the parser reads them (std::getline: a last line without a
// newline still counts), after the byte-order mark.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.push_back(text);
            break;
        }
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzcheck::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = linesOf(sim::withoutByteOrderMark(text));
    const sim::ParseResult parsed = sim::parseScenario(text);

    if (parsed.error) {
        const sim::SyntaxError& error = *parsed.error;
        fuzzcheck::require(error.line >= 1 && static_cast<size_t>(error.line) <= lines.size(),
                           "a syntax error names a line the text does not have");
        // A column may point just past the line's end (a missing argument).
        const size_t lineLength = lines[static_cast<size_t>(error.line) - 1].size();
        fuzzcheck::require(error.column >= 1 && static_cast<size_t>(error.column) <= lineLength + 1,
                           "a syntax error names a column outside its line");
        fuzzcheck::require(!error.message.empty(), "a syntax error without a message");
        return 0;
    }

    int previousLine = 0;
    for (const sim::Statement& statement : parsed.script.statements) {
        fuzzcheck::require(statement.line > previousLine && static_cast<size_t>(statement.line) <= lines.size(),
                           "statements out of line order, or on a line the text does not have");
        fuzzcheck::require(static_cast<bool>(statement.action), "a statement parsed without an action");
        fuzzcheck::require(!statement.text.empty() &&
                               lines[static_cast<size_t>(statement.line) - 1].find(statement.text) != std::string_view::npos,
                           "a statement's text is not a piece of its line");
        previousLine = statement.line;
    }
    return 0;
}
