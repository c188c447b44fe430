#include "platform/foundation/Utf8.h"

#include <algorithm>
#include <cstdint>

namespace platform::utf8 {

size_t sequenceLength(std::string_view text, size_t i)
{
    if (i >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length;
    uint32_t codePoint;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (length > text.size() - i)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0; // overlong forms and surrogates are not valid UTF-8
    return length;
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

std::string sanitized(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0) {
            out += kReplacementCharacter;
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

} // namespace platform::utf8
