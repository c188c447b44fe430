// What a menu choice may be, for the daemon (which refuses the rest) and for
// the clients (which filter what the user types): the choices of a carrier's
// USSD menu are short strings of the dial keys. Header only, so both sides
// share it without a link.
//
//   if (auto problem = menuChoiceProblem(choice)) refuse(*problem);
//   std::string typed = menuChoiceFiltered(pasted);     // "1 ) 2x" -> "12"
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace linuxhost {

// Choices on one menu path, and characters in one choice.
inline constexpr size_t kMaxMenuPathChoices = 10;
inline constexpr size_t kMaxMenuChoiceChars = 16;

inline bool isMenuChoiceCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#';
}

// Why `choice` cannot answer a menu; nullopt when it can.
inline std::optional<std::string> menuChoiceProblem(std::string_view choice)
{
    if (choice.empty())
        return std::string("a menu choice is empty");
    if (choice.size() > kMaxMenuChoiceChars)
        return "a menu choice is longer than " + std::to_string(kMaxMenuChoiceChars) + " characters";
    for (char c : choice)
        if (!isMenuChoiceCharacter(c))
            return std::string("a menu choice holds a character other than 0-9 * #");
    return std::nullopt;
}

// The choice characters of `typed`, in order, at most kMaxMenuChoiceChars.
inline std::string menuChoiceFiltered(std::string_view typed)
{
    std::string kept;
    for (char c : typed)
        if (isMenuChoiceCharacter(c) && kept.size() < kMaxMenuChoiceChars)
            kept += c;
    return kept;
}

} // namespace linuxhost
