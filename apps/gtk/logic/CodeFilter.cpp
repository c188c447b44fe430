#include "apps/gtk/logic/CodeFilter.h"

namespace quorvelapp {

bool isCodeCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+';
}

std::string acceptedCodeText(std::string_view typed, size_t lengthBefore)
{
    std::string kept;
    for (char c : typed) {
        if (lengthBefore + kept.size() >= kMaxCodeLength)
            break;
        if (isCodeCharacter(c))
            kept.push_back(c);
    }
    return kept;
}

bool isDiallableCode(std::string_view code)
{
    if (code.empty() || code.size() > kMaxCodeLength)
        return false;
    for (char c : code)
        if (!isCodeCharacter(c))
            return false;
    return true;
}

} // namespace quorvelapp
