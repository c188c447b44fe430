#include "sim/scenario/Lexer.h"

#include "platform/foundation/Utf8.h"

#include <cctype>
#include <string_view>
#include <utility>

namespace sim {

namespace {

constexpr const char* kLongQuote = "\"\"\"";

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
    return isBlank(c) || isSymbol(c) || c == '"' || c == '#' || c == '\n';
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// "2026-12-08T09": a word that has begun as a date and time, whose ':' belong to it.
bool beginsAsDateTime(const std::string& word)
{
    if (word.size() < 11 || word[4] != '-' || word[7] != '-' || word[10] != 'T')
        return false;
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (!isDigit(word[i]))
            return false;
    return true;
}

// Walks the statement's text keeping the line and column of each position.
class Cursor {
public:
    explicit Cursor(const std::string& text) : m_text(text) {}

    bool atEnd() const { return m_at >= m_text.size(); }
    char peek(size_t ahead = 0) const { return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : '\0'; }
    bool startsWith(const char* s) const { return m_text.compare(m_at, std::char_traits<char>::length(s), s) == 0; }
    size_t at() const { return m_at; }
    // Columns count characters, not bytes, so that a caret under the line points
    // at the right place after non-ASCII text ("Баланс" is 6 columns, 12 bytes).
    int column() const
    {
        return static_cast<int>(platform::utf8::characterCount(std::string_view(m_text).substr(m_lineStart, m_at - m_lineStart))) + 1;
    }
    int lineOffset() const { return m_lineOffset; }

    void advance(size_t n = 1)
    {
        for (size_t i = 0; i < n && m_at < m_text.size(); ++i) {
            if (m_text[m_at++] == '\n') {
                ++m_lineOffset;
                m_lineStart = m_at;
            }
        }
    }

private:
    const std::string& m_text;
    size_t m_at = 0;
    size_t m_lineStart = 0;
    int m_lineOffset = 0;
};

} // namespace

LexedLine lexLine(const std::string& text, int lineNumber, std::optional<SyntaxError>& error)
{
    LexedLine result;
    Cursor cursor(text);
    size_t statementEnd = 0;
    int endColumn = 1;
    int endLineOffset = 0;
    bool spaced = true;
    // Where the contents of long strings lie, so that reports show them elided.
    std::vector<std::pair<size_t, size_t>> longContents;
    auto fail = [&](int lineOffset, int column, std::string message) {
        error = SyntaxError{lineNumber + lineOffset, column, std::move(message)};
        return result;
    };

    while (!cursor.atEnd()) {
        char c = cursor.peek();
        if (isBlank(c) || c == '\n') {
            spaced = true;
            cursor.advance();
            continue;
        }
        if (c == '#') {
            // A comment runs to the end of its line; a later line may go on.
            while (!cursor.atEnd() && cursor.peek() != '\n')
                cursor.advance();
            continue;
        }
        Token token;
        token.column = cursor.column();
        token.lineOffset = cursor.lineOffset();
        token.spaced = spaced;
        spaced = false;
        if (cursor.startsWith(kLongQuote)) {
            token.kind = Token::Kind::string;
            cursor.advance(3);
            if (cursor.peek() == '\n')
                cursor.advance();
            else if (cursor.peek() == '\r' && cursor.peek(1) == '\n')
                cursor.advance(2);
            const size_t contentStart = cursor.at();
            while (!cursor.atEnd() && !cursor.startsWith(kLongQuote))
                cursor.advance();
            if (cursor.atEnd()) {
                result.continues = true;
                return result;
            }
            token.text = text.substr(contentStart, cursor.at() - contentStart);
            longContents.emplace_back(contentStart, cursor.at());
            cursor.advance(3);
        } else if (c == '"') {
            token.kind = Token::Kind::string;
            cursor.advance();
            bool closed = false;
            while (!cursor.atEnd() && cursor.peek() != '\n') {
                char s = cursor.peek();
                if (s == '"') {
                    closed = true;
                    cursor.advance();
                    break;
                }
                if (s == '\\') {
                    char next = cursor.peek(1);
                    if (next == '"' || next == '\\')
                        token.text += next;
                    else if (next == 'n')
                        token.text += '\n';
                    else if (next == 'r')
                        token.text += '\r';
                    else
                        return fail(cursor.lineOffset(), cursor.column(),
                                    next && next != '\n'
                                        ? std::string("unknown escape \\") + next + " in a string (use \\\", \\\\, \\n or \\r)"
                                        : std::string("a string cannot end with a lone \\"));
                    cursor.advance(2);
                    continue;
                }
                token.text += s;
                cursor.advance();
            }
            if (!closed)
                return fail(token.lineOffset, token.column, "unterminated string (missing closing \")");
        } else if (isSymbol(c)) {
            token.kind = Token::Kind::symbol;
            token.text = std::string(1, c);
            cursor.advance();
        } else {
            token.kind = Token::Kind::word;
            while (!cursor.atEnd() && (!endsWord(cursor.peek()) || (cursor.peek() == ':' && beginsAsDateTime(token.text)))) {
                token.text += cursor.peek();
                cursor.advance();
            }
        }
        statementEnd = cursor.at();
        endColumn = cursor.column();
        endLineOffset = cursor.lineOffset();
        result.tokens.push_back(std::move(token));
    }

    std::string shown;
    size_t from = 0;
    for (const auto& [start, end] : longContents) {
        shown += text.substr(from, start - from) + "...";
        from = end;
    }
    shown += text.substr(from, statementEnd - from);
    // The line break dropped after an opening """ is not shown either.
    for (size_t at = shown.find("\"\"\"\n"); at != std::string::npos; at = shown.find("\"\"\"\n", at))
        shown.erase(at + 3, 1);
    result.text = shown;
    result.endColumn = endColumn;
    result.endLineOffset = endLineOffset;
    return result;
}

} // namespace sim
