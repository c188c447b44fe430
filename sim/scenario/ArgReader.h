// Reads the arguments of one statement for a verb's parser, token by token,
// and reports the first thing that does not fit as a syntax error at its column.
//
//   std::string code = args.string("the code");
//   if (args.accept("silent")) { args.end(); ... }
//   platform::Micros delay = args.accept("after") ? args.duration("the delay") : kDefault;
//   args.end();
//
// Errors are thrown as ScenarioSyntaxError and caught by parseScenario, which
// turns them into a SyntaxError value; nothing else sees the exception.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/foundation/Value.h"
#include "sim/scenario/Lexer.h"

#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>

namespace sim {

struct ScenarioSyntaxError : std::runtime_error {
    ScenarioSyntaxError(int line, int column, const std::string& message)
        : std::runtime_error(message), line(line), column(column) {}
    int line;
    int column;
};

// "1.5s", "250ms", "15m", "2h": a decimal number and a unit, exact to the
// microsecond. nullopt for anything else (including finer than a microsecond).
std::optional<platform::Micros> parseDuration(const std::string& text);

// "2026-12-08T09:00:01Z" or "2026-12-08T09:00:01.250Z" (up to six decimals):
// a date and time in UTC. nullopt for anything else, an impossible date included.
std::optional<platform::Date> parseDateTime(const std::string& text);

// The VALUE forms: integer ("-5"), real with a dot ("2.5"), true/false, a date
// and time as parseDateTime reads it; quoted texts come as string tokens.
// nullopt for an unquoted word of another form.
std::optional<platform::Value> parseBareValue(const std::string& word);

class ArgReader {
public:
    ArgReader(const LexedLine& line, size_t first, int lineNumber);

    bool atEnd() const { return m_next >= m_line.tokens.size(); }
    const Token* peek() const { return atEnd() ? nullptr : &m_line.tokens[m_next]; }

    // A quoted string.
    std::string string(const std::string& what);
    // An unquoted word.
    std::string word(const std::string& what);
    // One of the given words.
    std::string oneOf(std::initializer_list<const char*> choices);
    // Consumes the word if it is next; false (and nothing consumed) otherwise.
    bool accept(const char* word);
    platform::Micros duration(const std::string& what);
    // A whole number, zero or more.
    int64_t count(const std::string& what);
    // A VALUE: integer, real, true/false, a date and time, or a quoted string.
    platform::Value value(const std::string& what);
    // KEY= written without blanks; returns KEY. The value must follow at once.
    std::string key(const std::string& what);
    // The symbol `c`, written right after the previous token.
    void gluedSymbol(char c, const std::string& what);
    // Consumes the symbol `c` (blanks around it or not) if it is next.
    bool acceptSymbol(char c);
    // Nothing may follow.
    void end();

    [[noreturn]] void fail(const std::string& message) const;
    [[noreturn]] void failAt(const Token& token, const std::string& message) const;
    int line() const { return m_lineNumber; }

private:
    const Token& take(const std::string& what);
    // The token to take next must touch the previous one (KEY=VALUE forms).
    void requireGlued(const std::string& what) const;

    const LexedLine& m_line;
    size_t m_next;
    int m_lineNumber;
};

} // namespace sim
