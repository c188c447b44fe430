// The layout of a binary property list ("bplist00"): the trailer, the offset
// table, and where each object's references or contents lie. Shared by the
// checks and repairs that run on the bytes before the parser sees them; every
// read is bounds-checked, so any bytes at all can be given.
//
//   auto layout = BinaryPlistLayout::open(bytes);   // nullopt: bad trailer
//   BinaryObject object;
//   if (layout && layout->object(layout->rootObject(), object) && object.isContainer()) ...
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::internal {

inline constexpr size_t kBinaryPlistHeaderSize = 8;
inline constexpr size_t kBinaryPlistTrailerSize = 32;

struct BinaryObject {
    enum class Kind : uint8_t { Scalar, AsciiString, Utf16String, Data, Array, Dict };
    Kind kind = Kind::Scalar;
    // Where the object's marker byte is.
    uint64_t offset = 0;
    // Containers: the references that follow (keys then values for a
    // dictionary, so twice its entries). Strings: characters (UTF-16 code
    // units). Data: bytes. Scalars: 0.
    uint64_t count = 0;
    // The first reference or content byte.
    uint64_t start = 0;

    bool isContainer() const { return kind == Kind::Array || kind == Kind::Dict; }
    bool isString() const { return kind == Kind::AsciiString || kind == Kind::Utf16String; }
    // Bytes of content: references for containers, characters for strings.
    uint64_t contentBytes(unsigned refSize) const;
};

class BinaryPlistLayout {
public:
    // nullopt when the trailer does not describe an offset table within the bytes.
    static std::optional<BinaryPlistLayout> open(std::string_view bytes);

    std::string_view bytes() const { return m_bytes; }
    unsigned offsetSize() const { return m_offsetSize; }
    unsigned refSize() const { return m_refSize; }
    uint64_t objectCount() const { return m_objectCount; }
    uint64_t rootObject() const { return m_rootObject; }
    uint64_t offsetTable() const { return m_offsetTable; }

    // The object's kind and extent; false when its offset, length or
    // references do not lie between the header and the offset table.
    bool object(uint64_t index, BinaryObject& out) const;
    // The container's i-th reference (i < count); false when it names no object.
    bool reference(const BinaryObject& container, uint64_t i, uint64_t& out) const;

    // Big-endian unsigned integer of `width` (1 to 8) bytes at `at`; false when out of range.
    bool readUnsigned(uint64_t at, unsigned width, uint64_t& out) const;

private:
    explicit BinaryPlistLayout(std::string_view bytes) : m_bytes(bytes) {}

    std::string_view m_bytes;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_objectCount = 0;
    uint64_t m_rootObject = 0;
    uint64_t m_offsetTable = 0;
};

} // namespace platform::internal
