#include "sim/scenario/Lexer.h"

#include "platform/foundation/Utf8.h"

#include <string_view>

namespace sim {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool isSymbol(char c)
{
    return c == '=' || c == ':';
}

bool endsWord(char c)
{
    return isBlank(c) || isSymbol(c) || c == '"' || c == '#';
}

// Columns count characters, not bytes, so that a caret under the line points
// at the right place after non-ASCII text ("Баланс" is 6 columns, 12 bytes).
int columnAt(const std::string& line, size_t byteIndex)
{
    return static_cast<int>(platform::utf8::characterCount(std::string_view(line).substr(0, byteIndex))) + 1;
}

} // namespace

LexedLine lexLine(const std::string& line, int lineNumber, std::optional<SyntaxError>& error)
{
    LexedLine result;
    size_t i = 0;
    size_t statementEnd = 0;
    bool spaced = true;
    while (i < line.size()) {
        char c = line[i];
        if (isBlank(c)) {
            spaced = true;
            ++i;
            continue;
        }
        if (c == '#')
            break;
        Token token;
        token.column = columnAt(line, i);
        token.spaced = spaced;
        spaced = false;
        if (c == '"') {
            token.kind = Token::Kind::string;
            size_t start = i++;
            bool closed = false;
            while (i < line.size()) {
                char s = line[i];
                if (s == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (s == '\\') {
                    char next = i + 1 < line.size() ? line[i + 1] : '\0';
                    if (next == '"' || next == '\\')
                        token.text += next;
                    else if (next == 'n')
                        token.text += '\n';
                    else {
                        error = SyntaxError{lineNumber, columnAt(line, i),
                                            next ? std::string("unknown escape \\") + next + " in a string (use \\\", \\\\ or \\n)"
                                                 : std::string("a string cannot end with a lone \\")};
                        return result;
                    }
                    i += 2;
                    continue;
                }
                token.text += s;
                ++i;
            }
            if (!closed) {
                error = SyntaxError{lineNumber, columnAt(line, start), "unterminated string (missing closing \")"};
                return result;
            }
        } else if (isSymbol(c)) {
            token.kind = Token::Kind::symbol;
            token.text = std::string(1, c);
            ++i;
        } else {
            token.kind = Token::Kind::word;
            while (i < line.size() && !endsWord(line[i]))
                token.text += line[i++];
        }
        statementEnd = i;
        result.tokens.push_back(std::move(token));
    }
    result.text = line.substr(0, statementEnd);
    result.endColumn = columnAt(line, statementEnd);
    return result;
}

} // namespace sim
