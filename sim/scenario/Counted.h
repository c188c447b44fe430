// A count with its noun in the right number, for every count the simulator
// prints: "1 dial", "3 dials", "1 expectation held".
//
//   counted(1, "statement")             // "1 statement"
//   counted(2, "unread message")        // "2 unread messages"
//   counted(0, "match", "matches")      // "0 matches"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

inline std::string counted(int64_t n, std::string_view singular, std::string_view plural = {})
{
    std::string text = std::to_string(n) + " ";
    if (n == 1 || n == -1)
        text += singular;
    else if (plural.empty())
        text.append(singular).append("s");
    else
        text += plural;
    return text;
}

} // namespace sim
