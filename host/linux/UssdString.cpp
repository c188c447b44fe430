#include "host/linux/UssdString.h"

#include <algorithm>

namespace linuxhost {

bool isDialableUssd(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+';
    });
}

} // namespace linuxhost
