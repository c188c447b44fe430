// Splits one statement of a scenario into tokens. A statement is one line,
// unless a long string carries it over several.
//
//   words    runs of characters other than blanks, '"', '#', '=' and ':'; a
//            word that begins as a date and time (2026-12-08T09...) keeps its ':'
//   strings  "..." with the escapes \" \\ \n and \r
//   long strings  """...""" taken byte for byte, no escapes, over as many lines
//            as they need; a line break right after the opening """ is not
//            part of the text
//   symbols  '=' and ':'
//
// '#' outside a string starts a comment that runs to the end of the line.
// Every token carries its 1-based column (on its own line), how many lines
// below the statement's first it starts, and whether blanks precede it, so
// that forms such as KEY=VALUE can insist on being written without blanks.
#pragma once

#include "sim/scenario/Script.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Token {
    enum class Kind { word, string, symbol };
    Kind kind = Kind::word;
    std::string text;      // for strings: the text with escapes resolved
    int column = 0;
    int lineOffset = 0;    // lines below the statement's first line
    bool spaced = true;    // blanks (or the line start) come before it
};

struct LexedLine {
    std::vector<Token> tokens;
    // The statement without its comment and trailing blanks, each long string
    // shown as """...""" (for reports).
    std::string text;
    int endColumn = 1;     // the column just after the statement's last character
    int endLineOffset = 0; // the line of that column, below the first
    // A long string is still open at the end of the text: the statement goes
    // on on the next line.
    bool continues = false;
};

// Tokenises a statement: one line, or several joined with '\n' when a long
// string carries it on. A bad string (unterminated, unknown escape) is a
// syntax error; a long string still open is not (see `continues`).
LexedLine lexLine(const std::string& text, int lineNumber, std::optional<SyntaxError>& error);

} // namespace sim
