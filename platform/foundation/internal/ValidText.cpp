#include "platform/foundation/internal/ValidText.h"

#include "platform/foundation/Utf8.h"

#include <cstring>

namespace platform::internal {

namespace {

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

} // namespace

bool isValidText(const std::string& text)
{
    for (size_t i = plainAsciiUntil(text, 0); i < text.size(); i = plainAsciiUntil(text, i)) {
        const size_t length = utf8::sequenceLength(text, i);
        if (length == 0 || text[i] == '\0')
            return false;
        i += length;
    }
    return true;
}

size_t repairText(std::string& text)
{
    if (isValidText(text))
        return 0;
    size_t replacements = 0;
    text = utf8::sanitized(text, true, &replacements);
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
            utf8::appendCodePoint(0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00), out);
            ++i;
        } else if (unit == 0 || (unit >= 0xD800 && unit <= 0xDFFF)) {
            out += utf8::kReplacementCharacter;
            ++replaced;
        } else {
            utf8::appendCodePoint(unit, out);
        }
    }
    return out;
}

} // namespace platform::internal
