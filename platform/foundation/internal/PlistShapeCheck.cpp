#include "platform/foundation/internal/PlistShapeCheck.h"

#include <algorithm>
#include <vector>

namespace platform::internal {

namespace {

bool startsWith(std::string_view bytes, size_t at, std::string_view prefix)
{
    return bytes.substr(at, prefix.size()) == prefix;
}

bool isNameChar(char c)
{
    return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '/' && c != '>';
}

} // namespace

std::optional<std::string> checkXmlPlistShape(std::string_view bytes, int maxDepth)
{
    const size_t maxElements = static_cast<size_t>(maxDepth) + 1; // values plus <plist>
    std::vector<std::string_view> open;
    size_t i = 0;
    while ((i = bytes.find('<', i)) != std::string_view::npos) {
        // Constructs whose content is not markup. Unterminated ones end the scan;
        // the parser rejects them.
        std::string_view terminator;
        if (startsWith(bytes, i, "<!--"))
            terminator = "-->";
        else if (startsWith(bytes, i, "<![CDATA["))
            terminator = "]]>";
        else if (startsWith(bytes, i, "<?"))
            terminator = "?>";
        else if (startsWith(bytes, i, "<!")) {
            size_t end = bytes.find_first_of("[>", i);
            terminator = (end != std::string_view::npos && bytes[end] == '[') ? "]>" : ">";
        }
        if (!terminator.empty()) {
            size_t end = bytes.find(terminator, i + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            i = end + terminator.size();
            continue;
        }

        // An element tag: find its end outside quoted attribute values. A '<'
        // inside a tag is never valid XML and could hide tags from this count.
        bool closing = startsWith(bytes, i, "</");
        size_t nameStart = i + (closing ? 2 : 1);
        size_t j = nameStart;
        char quote = 0;
        for (; j < bytes.size(); ++j) {
            char c = bytes[j];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
            if (c == '<')
                return "malformed markup";
        }
        if (j >= bytes.size())
            return std::nullopt;
        size_t nameEnd = nameStart;
        while (nameEnd < j && isNameChar(bytes[nameEnd]))
            ++nameEnd;
        std::string_view name = bytes.substr(nameStart, nameEnd - nameStart);
        bool selfClosing = !closing && bytes[j - 1] == '/';
        if (closing) {
            if (open.empty() || open.back() != name)
                return "mismatched closing tag";
            open.pop_back();
        } else if (!selfClosing) {
            open.push_back(name);
            if (open.size() > maxElements)
                return "nested deeper than " + std::to_string(maxDepth) + " levels";
        }
        i = j + 1;
    }
    return std::nullopt;
}

namespace {

class BinaryReader {
public:
    explicit BinaryReader(std::string_view bytes) : m_bytes(bytes) {}

    // Big-endian unsigned integer of `width` bytes at `at`; false when out of range.
    bool readUnsigned(uint64_t at, unsigned width, uint64_t& out) const
    {
        if (width == 0 || width > 8 || at > m_bytes.size() || m_bytes.size() - at < width)
            return false;
        out = 0;
        for (unsigned k = 0; k < width; ++k)
            out = (out << 8) | static_cast<unsigned char>(m_bytes[at + k]);
        return true;
    }

private:
    std::string_view m_bytes;
};

struct Trailer {
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    uint64_t objectCount = 0;
    uint64_t rootObject = 0;
    uint64_t offsetTable = 0;
};

// A container's references: `count` refs of the trailer's size, starting at `first`.
struct Children {
    uint64_t first = 0;
    uint64_t count = 0;
};

} // namespace

std::optional<std::string> checkBinaryPlistShape(std::string_view bytes, int maxDepth)
{
    constexpr size_t kHeaderSize = 8;
    constexpr size_t kTrailerSize = 32;
    if (bytes.size() < kHeaderSize + kTrailerSize + 1)
        return "truncated binary property list";

    BinaryReader reader(bytes);
    const uint64_t trailerAt = bytes.size() - kTrailerSize;
    Trailer t;
    t.offsetSize = static_cast<unsigned char>(bytes[trailerAt + 6]);
    t.refSize = static_cast<unsigned char>(bytes[trailerAt + 7]);
    reader.readUnsigned(trailerAt + 8, 8, t.objectCount);
    reader.readUnsigned(trailerAt + 16, 8, t.rootObject);
    reader.readUnsigned(trailerAt + 24, 8, t.offsetTable);
    if (t.offsetSize < 1 || t.offsetSize > 8 || t.refSize < 1 || t.refSize > 8 || t.objectCount == 0 ||
        t.rootObject >= t.objectCount || t.offsetTable < kHeaderSize || t.offsetTable > trailerAt ||
        t.objectCount > (trailerAt - t.offsetTable) / t.offsetSize)
        return "truncated or malformed binary property list";

    // Where a container's references are, or count 0 for a scalar.
    auto childrenOf = [&](uint64_t object, Children& out) -> bool {
        uint64_t offset;
        if (!reader.readUnsigned(t.offsetTable + object * t.offsetSize, t.offsetSize, offset) || offset < kHeaderSize ||
            offset >= t.offsetTable)
            return false;
        unsigned char marker = static_cast<unsigned char>(bytes[offset]);
        unsigned kind = marker >> 4;
        out = Children{};
        bool isArray = kind == 0xA || kind == 0xB || kind == 0xC;
        bool isDict = kind == 0xD;
        if (!isArray && !isDict)
            return true;
        uint64_t count = marker & 0x0F;
        uint64_t at = offset + 1;
        if (count == 0x0F) {
            uint64_t sizeMarker;
            if (!reader.readUnsigned(at, 1, sizeMarker) || (sizeMarker >> 4) != 0x1 || (sizeMarker & 0x0F) > 3)
                return false;
            unsigned width = 1u << (sizeMarker & 0x0F);
            if (!reader.readUnsigned(at + 1, width, count))
                return false;
            at += 1 + width;
        }
        if (isDict) {
            if (count > UINT64_MAX / 2)
                return false;
            count *= 2; // keys, then values
        }
        if (at > t.offsetTable || count > (t.offsetTable - at) / t.refSize)
            return false;
        out = Children{at, count};
        return true;
    };

    enum class State : uint8_t { Unvisited, InProgress, Done };
    std::vector<State> state(t.objectCount, State::Unvisited);
    std::vector<uint32_t> depth(t.objectCount, 0);
    std::vector<uint64_t> expanded(t.objectCount, 0);

    struct Frame {
        uint64_t object;
        Children children;
        uint64_t next = 0;
        uint32_t depth = 1;
        uint64_t expanded = 1;
    };
    std::vector<Frame> stack;
    auto push = [&](uint64_t object) -> std::optional<std::string> {
        Frame frame{object, {}};
        if (!childrenOf(object, frame.children))
            return "malformed binary property list";
        if (stack.size() >= static_cast<size_t>(maxDepth))
            return "nested deeper than " + std::to_string(maxDepth) + " levels";
        state[object] = State::InProgress;
        stack.push_back(frame);
        return std::nullopt;
    };

    if (auto failure = push(t.rootObject))
        return failure;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.children.count) {
            uint64_t child;
            if (!reader.readUnsigned(frame.children.first + frame.next * t.refSize, t.refSize, child) ||
                child >= t.objectCount)
                return "malformed binary property list";
            ++frame.next;
            if (state[child] == State::InProgress)
                return "binary property list contains itself";
            if (state[child] == State::Unvisited) {
                --frame.next; // revisit this reference once the child is done
                if (auto failure = push(child))
                    return failure;
                continue;
            }
            frame.depth = std::max(frame.depth, depth[child] + 1);
            frame.expanded = std::min(frame.expanded + expanded[child], kMaxPlistExpandedObjects + 1);
            if (frame.depth > static_cast<uint32_t>(maxDepth))
                return "nested deeper than " + std::to_string(maxDepth) + " levels";
            if (frame.expanded > kMaxPlistExpandedObjects)
                return "binary property list too large when expanded";
            continue;
        }
        state[frame.object] = State::Done;
        depth[frame.object] = frame.depth;
        expanded[frame.object] = frame.expanded;
        stack.pop_back();
    }
    return std::nullopt;
}

} // namespace platform::internal
