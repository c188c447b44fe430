// Mends the texts of a binary property list that the parser cannot take
// whole, before it sees them:
// - a UTF-16 text holding U+0000: as a dictionary key it stops the process
//   (the parser asserts that a key's length is that of its C string);
// - a UTF-16 text with an unpaired surrogate: the parser drops it, and with it
//   sometimes the whole text;
// - an empty UTF-16 text (which the parser's own writer makes of a text that
//   is not UTF-8): the parser refuses the whole document;
// - an ASCII text holding a NUL byte: the parser cuts it there.
// Each such text is rewritten as UTF-8 with U+FFFD in place of every NUL and
// unpaired surrogate, so the rest of it, and of the document, is kept. The
// rewritten texts are appended after the objects and the offset table is
// rebuilt to point at them; every other byte stays where it was.
//
// Run after checkBinaryPlistShape has accepted the bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::internal {

struct BinaryPlistRepair {
    std::string bytes;   // the mended document
    size_t texts = 0;    // how many texts were rewritten
};

// nullopt when no text needs mending (the bytes can be parsed as they are).
std::optional<BinaryPlistRepair> repairBinaryPlistTexts(std::string_view bytes);

} // namespace platform::internal
