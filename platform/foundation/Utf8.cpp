#include "platform/foundation/Utf8.h"

#include <algorithm>
#include <cstdint>

namespace platform::utf8 {

namespace {

// Reads the sequence at `i` by the Unicode standard's table of well-formed
// sequences, so overlong forms, surrogates and code points beyond U+10FFFF
// are refused. Returns its length, or 0 when the bytes there are not one;
// then `subpart` is how many bytes still fitted a sequence (at least 1).
size_t readSequence(std::string_view text, size_t i, size_t& subpart)
{
    subpart = 1;
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return 1;
    unsigned char low = 0x80, high = 0xBF; // the range allowed for the second byte
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        if (i + k >= text.size())
            return 0;
        const auto next = static_cast<unsigned char>(text[i + k]);
        if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80)
            return 0;
        subpart = k + 1;
    }
    return length;
}

} // namespace

size_t sequenceLength(std::string_view text, size_t i)
{
    if (i >= text.size())
        return 0;
    size_t subpart;
    return readSequence(text, i, subpart);
}

size_t invalidRunLength(std::string_view text, size_t i)
{
    if (i >= text.size())
        return 0;
    size_t subpart;
    return readSequence(text, i, subpart) == 0 ? subpart : 0;
}

void appendCodePoint(uint32_t codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

size_t previousBoundary(std::string_view text, size_t end)
{
    if (end == 0)
        return 0;
    end = std::min(end, text.size());
    for (size_t back = 2; back <= 4 && back <= end; ++back)
        if (sequenceLength(text, end - back) == back)
            return end - back;
    // An ASCII byte or an invalid one: a character of its own.
    return end - 1;
}

size_t nextBoundary(std::string_view text, size_t i)
{
    const size_t length = sequenceLength(text, i);
    return i + (length == 0 ? 1 : length);
}

void dropLastCharacter(std::string& text)
{
    text.erase(previousBoundary(text, text.size()));
}

size_t characterCount(std::string_view text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size(); i = nextBoundary(text, i))
        ++count;
    return count;
}

bool isValid(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string sanitized(std::string_view text, bool replaceNul, size_t* replacements)
{
    std::string out;
    out.reserve(text.size());
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0 || (replaceNul && text[i] == '\0')) {
            out += kReplacementCharacter;
            ++count;
            i += length == 0 ? invalidRunLength(text, i) : 1;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    if (replacements)
        *replacements = count;
    return out;
}

} // namespace platform::utf8
