#include "platform/foundation/internal/ValidText.h"

#include <cstring>

namespace platform::internal {

namespace {

// Reads one UTF-8 sequence at `at` by the table of well-formed sequences in the
// Unicode standard, so overlong forms, surrogates and code points beyond
// U+10FFFF are refused; NUL is refused too. Returns its length (1 to 4), or 0
// when the bytes there are not one; then `invalidLength` is the length of the
// maximal subpart (the lead byte and the continuation bytes that still fitted,
// at least 1), each of which becomes one U+FFFD as the standard recommends.
size_t sequenceAt(const std::string& text, size_t at, size_t& invalidLength)
{
    invalidLength = 1;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead >= 0x01 && lead <= 0x7F)
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
    for (size_t i = 1; i < length; ++i) {
        if (at + i >= text.size())
            return 0;
        const unsigned char next = byte(at + i);
        if (i == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80)
            return 0;
        invalidLength = i + 1;
    }
    return length;
}

void appendUtf8(uint32_t codePoint, std::string& out)
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

} // namespace

// Where the first byte that is not ASCII other than NUL is, at or after `at`,
// eight bytes at a time: stored texts are mostly ASCII, and every text of a
// file is checked on each read.
size_t plainAsciiUntil(const std::string& text, size_t at)
{
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    constexpr uint64_t kLowBits = 0x0101010101010101ull;
    const char* data = text.data();
    for (; at + 8 <= text.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, data + at, 8);
        const bool hasZeroByte = ((word - kLowBits) & ~word & kHighBits) != 0;
        if ((word & kHighBits) != 0 || hasZeroByte)
            break;
    }
    while (at < text.size() && static_cast<unsigned char>(data[at]) - 1u < 0x7Fu)
        ++at;
    return at;
}

bool isValidText(const std::string& text)
{
    size_t ignored;
    for (size_t i = plainAsciiUntil(text, 0); i < text.size(); i = plainAsciiUntil(text, i)) {
        size_t length = sequenceAt(text, i, ignored);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

size_t repairText(std::string& text)
{
    if (isValidText(text))
        return 0;
    std::string repaired;
    repaired.reserve(text.size() + 8);
    size_t replacements = 0;
    for (size_t i = 0; i < text.size();) {
        size_t invalidLength;
        size_t length = sequenceAt(text, i, invalidLength);
        if (length > 0) {
            repaired.append(text, i, length);
            i += length;
            continue;
        }
        repaired += kReplacementCharacter;
        ++replacements;
        i += invalidLength;
    }
    text = std::move(repaired);
    return replacements;
}

std::string utf8FromUtf16BigEndian(const unsigned char* bytes, size_t units, size_t& replaced)
{
    const auto unitAt = [&](size_t i) { return static_cast<uint32_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]); };
    std::string out;
    out.reserve(units * 3);
    for (size_t i = 0; i < units; ++i) {
        uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) <= 0xDFFF) {
            appendUtf8(0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00), out);
            ++i;
        } else if (unit == 0 || (unit >= 0xD800 && unit <= 0xDFFF)) {
            out += kReplacementCharacter;
            ++replaced;
        } else {
            appendUtf8(unit, out);
        }
    }
    return out;
}

} // namespace platform::internal
