#include "platform/foundation/internal/BinaryPlistRepair.h"

#include "platform/foundation/internal/BinaryPlistLayout.h"
#include "platform/foundation/internal/ValidText.h"

#include <cstring>
#include <vector>

namespace platform::internal {

namespace {

bool needsRepair(const BinaryPlistLayout& layout, const BinaryObject& object)
{
    const unsigned char* content = reinterpret_cast<const unsigned char*>(layout.bytes().data()) + object.start;
    if (object.kind == BinaryObject::Kind::AsciiString)
        return std::memchr(content, 0, object.count) != nullptr;
    if (object.count == 0)
        return true;
    for (uint64_t i = 0; i < object.count; ++i) {
        const unsigned unit = content[2 * i] << 8 | content[2 * i + 1];
        if (unit == 0)
            return true;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            // A lead surrogate needs a trail surrogate right after it.
            const bool paired = i + 1 < object.count && (content[2 * i + 2] & 0xFC) == 0xDC;
            if (!paired)
                return true;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

// The text as the parser should read it: UTF-8 in an "ASCII" string object,
// whose bytes the parser copies as they are.
std::string repairedObject(const BinaryPlistLayout& layout, const BinaryObject& object)
{
    const unsigned char* content = reinterpret_cast<const unsigned char*>(layout.bytes().data()) + object.start;
    std::string text;
    size_t replaced = 0;
    if (object.kind == BinaryObject::Kind::AsciiString) {
        text.assign(reinterpret_cast<const char*>(content), object.count);
        repairText(text);
    } else {
        text = utf8FromUtf16BigEndian(content, object.count, replaced);
    }
    std::string out;
    if (text.size() < 15) {
        out += static_cast<char>(0x50 | text.size());
    } else {
        out += static_cast<char>(0x5F);
        out += static_cast<char>(0x13); // an 8-byte integer holds the length
        for (int shift = 56; shift >= 0; shift -= 8)
            out += static_cast<char>((static_cast<uint64_t>(text.size()) >> shift) & 0xFF);
    }
    return out + text;
}

unsigned bytesFor(uint64_t value)
{
    unsigned width = 1;
    while (width < 8 && (value >> (8 * width)) != 0)
        ++width;
    return width;
}

void appendUnsigned(std::string& out, uint64_t value, unsigned width)
{
    for (unsigned k = width; k-- > 0;)
        out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

} // namespace

std::optional<BinaryPlistRepair> repairBinaryPlistTexts(std::string_view bytes)
{
    std::optional<BinaryPlistLayout> layout = BinaryPlistLayout::open(bytes);
    if (!layout)
        return std::nullopt;

    std::vector<uint64_t> offsets(layout->objectCount(), 0);
    std::string appended;
    size_t texts = 0;
    for (uint64_t index = 0; index < layout->objectCount(); ++index) {
        BinaryObject object;
        // Objects the shape check did not reach may be anything; they are left
        // as they are (their offset is copied below as it was).
        if (!layout->object(index, object)) {
            layout->readUnsigned(layout->offsetTable() + index * layout->offsetSize(), layout->offsetSize(),
                                 offsets[index]);
            continue;
        }
        offsets[index] = object.offset;
        if (!object.isString() || !needsRepair(*layout, object))
            continue;
        offsets[index] = layout->offsetTable() + appended.size();
        appended += repairedObject(*layout, object);
        ++texts;
    }
    if (texts == 0)
        return std::nullopt;

    BinaryPlistRepair repair;
    repair.texts = texts;
    std::string& out = repair.bytes;
    out.reserve(layout->offsetTable() + appended.size() + offsets.size() * 8 + kBinaryPlistTrailerSize);
    out.append(bytes.substr(0, layout->offsetTable()));
    out += appended;
    const uint64_t tableAt = out.size();
    const unsigned offsetSize = std::max(layout->offsetSize(), bytesFor(tableAt));
    for (uint64_t offset : offsets)
        appendUnsigned(out, offset, offsetSize);
    out.append(6, '\0');
    out += static_cast<char>(offsetSize);
    out += static_cast<char>(layout->refSize());
    appendUnsigned(out, layout->objectCount(), 8);
    appendUnsigned(out, layout->rootObject(), 8);
    appendUnsigned(out, tableAt, 8);
    return repair;
}

} // namespace platform::internal
