#include "apps/gtk/logic/WindowSize.h"

#include <charconv>

namespace quorvelapp {

namespace {

std::optional<int> side(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > kMaxWindowSide)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<WindowSize> parseWindowSize(std::string_view text)
{
    const size_t x = text.find('x');
    if (x == std::string_view::npos)
        return std::nullopt;
    const auto width = side(text.substr(0, x));
    const auto height = side(text.substr(x + 1));
    if (!width || !height || *width < kMinWindowWidth || *height < kMinWindowHeight)
        return std::nullopt;
    return WindowSize{*width, *height};
}

} // namespace quorvelapp
