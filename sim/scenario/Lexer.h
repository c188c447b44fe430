// Splits one line of a scenario into tokens.
//
//   words    runs of characters other than blanks, '"', '#', '=' and ':'
//   strings  "..." with the escapes \" \\ and \n
//   symbols  '=' and ':'
//
// '#' outside a string starts a comment that runs to the end of the line.
// Every token carries its 1-based column and whether blanks precede it, so
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
    bool spaced = true;    // blanks (or the line start) come before it
};

struct LexedLine {
    std::vector<Token> tokens;
    std::string text;      // the statement without its comment and trailing blanks
    int endColumn = 1;     // the column just after the statement's last character
};

// Tokenises one line; a bad string (unterminated, unknown escape) is a syntax error.
LexedLine lexLine(const std::string& line, int lineNumber, std::optional<SyntaxError>& error);

} // namespace sim
