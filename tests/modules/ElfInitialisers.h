// Reads which functions a built shared library runs when it is loaded: the
// entries of its .init_array, resolved to names through its symbol table.
//
//   auto names = loadTimeFunctions("build/bin/Quorvel.so");   // {"frame_dummy", ...}
//
// Only 64-bit little-endian ELF files with a symbol table (not stripped) are
// understood; anything else gives an error text instead of names.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace quorvel::test {

struct LoadTimeFunctions {
    std::vector<std::string> names; // in .init_array order; "0x..." where no symbol matches
};

// The functions, or the reason they could not be read.
std::variant<LoadTimeFunctions, std::string> loadTimeFunctions(const std::string& path);

} // namespace quorvel::test
