// Binary property lists built object by object, for documents no writer would
// make: cycles, dangling references, shared references, texts holding NUL or
// unpaired surrogates.
//
//   BinaryPlist plist;
//   plist.container({1, 2}, 0xD0);          // object 0: a dictionary of one entry
//   plist.asciiString("codes");             // 1: its key
//   plist.utf16String({0x41, 0x0000});      // 2: its value, "A" and U+0000
//   std::string bytes = plist.bytes();      // root object 0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace foundation_test {

class BinaryPlist {
public:
    // References of `refSize` bytes (2 holds 65 536 objects).
    explicit BinaryPlist(unsigned refSize = 2) : m_refSize(refSize) {}

    // An array (or, with `marker` 0xD0, a dictionary of n/2 keys) holding references.
    size_t container(const std::vector<uint32_t>& refs, unsigned char marker = 0xA0)
    {
        std::string bytes = header(marker, marker == 0xD0 ? refs.size() / 2 : refs.size());
        for (uint32_t ref : refs)
            appendBigEndian(bytes, ref, m_refSize);
        return add(bytes);
    }
    size_t asciiString(const std::string& s) { return add(asciiObject(s)); }
    size_t utf16String(const std::vector<uint16_t>& units) { return add(utf16Object(units)); }
    // The bytes of such objects, for add().
    static std::string asciiObject(const std::string& s) { return header(0x50, s.size()) + s; }
    static std::string utf16Object(const std::vector<uint16_t>& units)
    {
        std::string bytes = header(0x60, units.size());
        for (uint16_t unit : units)
            appendBigEndian(bytes, unit, 2);
        return bytes;
    }
    size_t yes() { return add("\x09"); }
    size_t add(std::string bytes)
    {
        m_objects.push_back(std::move(bytes));
        return m_objects.size() - 1;
    }
    std::string bytes(size_t root = 0) const
    {
        std::string out = "bplist00";
        std::vector<uint32_t> offsets;
        for (const std::string& object : m_objects) {
            offsets.push_back(static_cast<uint32_t>(out.size()));
            out += object;
        }
        uint64_t tableOffset = out.size();
        for (uint32_t offset : offsets)
            appendBigEndian(out, offset, 4);
        out.append(6, '\0');
        out += static_cast<char>(4); // offset size
        out += static_cast<char>(m_refSize);
        appendBigEndian(out, m_objects.size(), 8);
        appendBigEndian(out, root, 8);
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

private:
    static void appendBigEndian(std::string& out, uint64_t value, unsigned width)
    {
        for (unsigned k = width; k-- > 0;)
            out += static_cast<char>((value >> (8 * k)) & 0xff);
    }
    // The marker with its count, or 0x0F and the count as a 4-byte integer.
    static std::string header(unsigned char marker, size_t count)
    {
        std::string bytes;
        if (count < 15) {
            bytes += static_cast<char>(marker | count);
        } else {
            bytes += static_cast<char>(marker | 0x0F);
            bytes += static_cast<char>(0x12);
            appendBigEndian(bytes, count, 4);
        }
        return bytes;
    }

    unsigned m_refSize;
    std::vector<std::string> m_objects;
};

} // namespace foundation_test
