// The simulated phone's screen and the fixed sizes of the system's own bars,
// in points. One screen, portrait only, as the Settings application runs.
//
//   auto window = std::make_shared<UIView>(UIScreen::bounds());
//   CGRect app = UIScreen::applicationFrame();   // below the status bar
#pragma once

#include "platform/foundation/Geometry.h"

namespace platform {

struct UIScreen {
    static constexpr double kWidth = 320;
    static constexpr double kHeight = 480;
    static constexpr double kStatusBarHeight = 20;
    // A navigation bar in portrait.
    static constexpr double kNavigationBarHeight = 44;
    // The portrait keyboard.
    static constexpr double kKeyboardHeight = 216;

    static CGRect bounds() { return CGRectMake(0, 0, kWidth, kHeight); }
    // The screen less the status bar, in screen coordinates.
    static CGRect applicationFrame() { return CGRectMake(0, kStatusBarHeight, kWidth, kHeight - kStatusBarHeight); }
};

} // namespace platform
