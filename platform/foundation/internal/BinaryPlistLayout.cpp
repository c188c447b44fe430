#include "platform/foundation/internal/BinaryPlistLayout.h"

namespace platform::internal {

uint64_t BinaryObject::contentBytes(unsigned refSize) const
{
    switch (kind) {
    case Kind::Array:
    case Kind::Dict: return count * refSize;
    case Kind::Utf16String: return count * 2;
    case Kind::AsciiString:
    case Kind::Data: return count;
    case Kind::Scalar: return 0;
    }
    return 0;
}

std::optional<BinaryPlistLayout> BinaryPlistLayout::open(std::string_view bytes)
{
    if (bytes.size() < kBinaryPlistHeaderSize + kBinaryPlistTrailerSize + 1)
        return std::nullopt;
    BinaryPlistLayout layout(bytes);
    const uint64_t trailerAt = bytes.size() - kBinaryPlistTrailerSize;
    layout.m_offsetSize = static_cast<unsigned char>(bytes[trailerAt + 6]);
    layout.m_refSize = static_cast<unsigned char>(bytes[trailerAt + 7]);
    layout.readUnsigned(trailerAt + 8, 8, layout.m_objectCount);
    layout.readUnsigned(trailerAt + 16, 8, layout.m_rootObject);
    layout.readUnsigned(trailerAt + 24, 8, layout.m_offsetTable);
    if (layout.m_offsetSize < 1 || layout.m_offsetSize > 8 || layout.m_refSize < 1 || layout.m_refSize > 8 ||
        layout.m_objectCount == 0 || layout.m_rootObject >= layout.m_objectCount ||
        layout.m_offsetTable < kBinaryPlistHeaderSize || layout.m_offsetTable > trailerAt ||
        layout.m_objectCount > (trailerAt - layout.m_offsetTable) / layout.m_offsetSize)
        return std::nullopt;
    return layout;
}

bool BinaryPlistLayout::readUnsigned(uint64_t at, unsigned width, uint64_t& out) const
{
    if (width == 0 || width > 8 || at > m_bytes.size() || m_bytes.size() - at < width)
        return false;
    out = 0;
    for (unsigned k = 0; k < width; ++k)
        out = (out << 8) | static_cast<unsigned char>(m_bytes[at + k]);
    return true;
}

bool BinaryPlistLayout::object(uint64_t index, BinaryObject& out) const
{
    uint64_t offset;
    if (index >= m_objectCount || !readUnsigned(m_offsetTable + index * m_offsetSize, m_offsetSize, offset) ||
        offset < kBinaryPlistHeaderSize || offset >= m_offsetTable)
        return false;
    const unsigned char marker = static_cast<unsigned char>(m_bytes[offset]);
    out = BinaryObject{};
    out.offset = offset;
    switch (marker >> 4) {
    case 0x4: out.kind = BinaryObject::Kind::Data; break;
    case 0x5: out.kind = BinaryObject::Kind::AsciiString; break;
    case 0x6: out.kind = BinaryObject::Kind::Utf16String; break;
    case 0xA:
    case 0xB:
    case 0xC: out.kind = BinaryObject::Kind::Array; break;
    case 0xD: out.kind = BinaryObject::Kind::Dict; break;
    default: return true; // fixed-size scalars: the parser checks their extent itself
    }

    uint64_t count = marker & 0x0F;
    uint64_t at = offset + 1;
    if (count == 0x0F) {
        // The count follows as an integer object of 1, 2, 4 or 8 bytes.
        uint64_t sizeMarker;
        if (!readUnsigned(at, 1, sizeMarker) || (sizeMarker >> 4) != 0x1 || (sizeMarker & 0x0F) > 3)
            return false;
        const unsigned width = 1u << (sizeMarker & 0x0F);
        if (!readUnsigned(at + 1, width, count))
            return false;
        at += 1 + width;
    }
    if (out.kind == BinaryObject::Kind::Dict) {
        if (count > UINT64_MAX / 2)
            return false;
        count *= 2; // keys, then values
    }
    const uint64_t unit = out.kind == BinaryObject::Kind::Utf16String ? 2 : out.isContainer() ? m_refSize : 1;
    if (at > m_offsetTable || count > (m_offsetTable - at) / unit)
        return false;
    out.count = count;
    out.start = at;
    return true;
}

bool BinaryPlistLayout::reference(const BinaryObject& container, uint64_t i, uint64_t& out) const
{
    return i < container.count && readUnsigned(container.start + i * m_refSize, m_refSize, out) && out < m_objectCount;
}

} // namespace platform::internal
