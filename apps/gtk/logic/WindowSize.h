// The --window-size option: "360x720" opens the window at that size (for a
// look at the phone layout on a desktop, and for screenshots).
#pragma once

#include <optional>
#include <string_view>

namespace quorvelapp {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// Smaller than the narrowest phone is not offered; larger than this is not a window.
inline constexpr int kMinWindowWidth = 360;
inline constexpr int kMinWindowHeight = 320;
inline constexpr int kMaxWindowSide = 10000;

// nullopt for anything but WIDTHxHEIGHT in those bounds.
std::optional<WindowSize> parseWindowSize(std::string_view text);

} // namespace quorvelapp
