#include "platform/foundation/internal/PlistShapeCheck.h"

#include "platform/foundation/internal/BinaryPlistLayout.h"

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
        // (All of them start "<!" or "<?": other tags skip the comparisons.)
        std::string_view terminator;
        const char next = i + 1 < bytes.size() ? bytes[i + 1] : '\0';
        if (next == '!' || next == '?') {
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

std::optional<std::string> checkBinaryPlistShape(std::string_view bytes, int maxDepth)
{
    std::optional<BinaryPlistLayout> opened = BinaryPlistLayout::open(bytes);
    if (!opened)
        return bytes.size() < kBinaryPlistHeaderSize + kBinaryPlistTrailerSize + 1
                   ? "truncated binary property list"
                   : "truncated or malformed binary property list";
    const BinaryPlistLayout& layout = *opened;

    enum class State : uint8_t { Unvisited, InProgress, Done };
    std::vector<State> state(layout.objectCount(), State::Unvisited);
    std::vector<uint32_t> depth(layout.objectCount(), 0);
    // Bytes of each finished object once expanded, saturating above the budget.
    std::vector<uint64_t> expanded(layout.objectCount(), 0);
    const uint64_t saturated = kMaxPlistExpandedBytes + 1;

    struct Frame {
        uint64_t index;
        BinaryObject object;
        uint64_t next = 0;
        uint32_t depth = 1;
        uint64_t expanded = 0;
    };
    std::vector<Frame> stack;
    auto push = [&](uint64_t index) -> std::optional<std::string> {
        Frame frame{index, {}};
        if (!layout.object(index, frame.object))
            return "malformed binary property list";
        if (stack.size() >= static_cast<size_t>(maxDepth))
            return "nested deeper than " + std::to_string(maxDepth) + " levels";
        // The object itself; a container's references count as its children's.
        const uint64_t own = frame.object.isContainer() ? 0 : frame.object.contentBytes(layout.refSize());
        frame.expanded = std::min(kPlistObjectBytes + own, saturated);
        state[index] = State::InProgress;
        stack.push_back(frame);
        return std::nullopt;
    };

    if (auto failure = push(layout.rootObject()))
        return failure;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.object.isContainer() && frame.next < frame.object.count) {
            uint64_t child;
            if (!layout.reference(frame.object, frame.next, child))
                return "malformed binary property list";
            if (state[child] == State::InProgress)
                return "binary property list contains itself";
            if (state[child] == State::Unvisited) {
                // This reference is taken again once the child is done.
                if (auto failure = push(child))
                    return failure;
                continue;
            }
            ++frame.next;
            frame.depth = std::max(frame.depth, depth[child] + 1);
            frame.expanded = std::min(frame.expanded + expanded[child], saturated);
            if (frame.depth > static_cast<uint32_t>(maxDepth))
                return "nested deeper than " + std::to_string(maxDepth) + " levels";
            if (frame.expanded > kMaxPlistExpandedBytes)
                return "binary property list too large when expanded (over " +
                       std::to_string(kMaxPlistExpandedBytes >> 20) + " MiB)";
            continue;
        }
        if (frame.expanded > kMaxPlistExpandedBytes)
            return "binary property list too large when expanded (over " +
                   std::to_string(kMaxPlistExpandedBytes >> 20) + " MiB)";
        state[frame.index] = State::Done;
        depth[frame.index] = frame.depth;
        expanded[frame.index] = frame.expanded;
        stack.pop_back();
    }
    return std::nullopt;
}

} // namespace platform::internal
