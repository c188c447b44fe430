#include "sim/scenario/Parser.h"

#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Lexer.h"
#include "sim/scenario/VerbTable.h"

#include <sstream>

namespace sim {

namespace {

// Finds the verb of a statement: its first two words if they name one, else its first word.
const Verb* findVerb(const VerbTable& verbs, const LexedLine& line, size_t& argumentsStart)
{
    const auto& tokens = line.tokens;
    if (tokens.size() >= 2 && tokens[1].kind == Token::Kind::word) {
        if (const Verb* verb = verbs.find(tokens[0].text + " " + tokens[1].text)) {
            argumentsStart = 2;
            return verb;
        }
    }
    argumentsStart = 1;
    return verbs.find(tokens[0].text);
}

// The column of the last opening """ on the statement's first line, where a
// long string that never closes began (1 when it began on a later line).
int openingColumn(const std::string& source)
{
    const std::string first = source.substr(0, source.find('\n'));
    const size_t at = first.find("\"\"\"");
    return at == std::string::npos ? 1 : static_cast<int>(at) + 1;
}

} // namespace

std::string_view withoutByteOrderMark(std::string_view text)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

ParseResult parseScenario(const std::string& text)
{
    return parseScenario(text, scenarioVerbs());
}

ParseResult parseScenario(const std::string& text, const VerbTable& verbs)
{
    ParseResult result;
    std::istringstream input{std::string(withoutByteOrderMark(text))};
    std::string source;
    int nextLine = 0;
    bool booted = false;
    while (std::getline(input, source)) {
        const int lineNumber = ++nextLine;
        LexedLine line = lexLine(source, lineNumber, result.error);
        // A long string carries the statement over the lines that follow.
        std::string more;
        while (!result.error && line.continues && std::getline(input, more)) {
            ++nextLine;
            source += "\n" + more;
            line = lexLine(source, lineNumber, result.error);
        }
        if (result.error)
            return result;
        if (line.continues) {
            result.error = SyntaxError{lineNumber, openingColumn(source), "unterminated long string (missing closing \"\"\")"};
            return result;
        }
        if (line.tokens.empty())
            continue;
        const Token& first = line.tokens[0];
        if (first.kind != Token::Kind::word) {
            result.error = SyntaxError{lineNumber, first.column, "a statement starts with a verb, not a string or symbol"};
            return result;
        }
        size_t argumentsStart = 1;
        const Verb* verb = findVerb(verbs, line, argumentsStart);
        if (!verb) {
            result.error = SyntaxError{lineNumber, first.column, "unknown statement \"" + first.text + "\""};
            return result;
        }
        if (verb->phase == Phase::beforeBoot && booted) {
            result.error = SyntaxError{lineNumber, first.column, "\"" + verb->name + "\" must come before boot"};
            return result;
        }
        if (verb->phase == Phase::afterBoot && !booted) {
            result.error = SyntaxError{lineNumber, first.column, "\"" + verb->name + "\" needs a booted device: put boot before it"};
            return result;
        }
        if (verb->boots && booted) {
            result.error = SyntaxError{lineNumber, first.column, "the device is already booted"};
            return result;
        }
        try {
            ArgReader args(line, argumentsStart, lineNumber);
            Action action = verb->parse(args);
            result.script.statements.push_back(Statement{lineNumber, line.text, std::move(action), verb->expectation});
        } catch (const ScenarioSyntaxError& e) {
            result.error = SyntaxError{e.line, e.column, std::string(e.what()) + " (usage: " + verb->usage + ")"};
            return result;
        }
        booted = booted || verb->boots;
    }
    return result;
}

} // namespace sim
