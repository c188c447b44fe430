// The simulated device's screen and the fixed sizes of the system's own bars,
// in points, portrait only, as the Settings application runs. The screen is
// the one of the current device's kind: an iPhone (320 x 480) or, when the
// device's hardware model begins with "iPad", an iPad (768 x 1024, with a
// taller keyboard).
//
//   auto window = std::make_shared<UIView>(UIScreen::bounds());
//   CGRect app = UIScreen::applicationFrame();   // below the status bar
#pragma once

#include "platform/foundation/Geometry.h"

namespace platform {

struct UIScreen {
    static constexpr double kStatusBarHeight = 20;
    // A navigation bar in portrait.
    static constexpr double kNavigationBarHeight = 44;

    // Whether the current device (none current: an iPhone) is an iPad.
    static bool isPad();
    static double width() { return isPad() ? 768 : 320; }
    static double height() { return isPad() ? 1024 : 480; }
    // The portrait keyboard.
    static double keyboardHeight() { return isPad() ? 264 : 216; }

    static CGRect bounds() { return CGRectMake(0, 0, width(), height()); }
    // The screen less the status bar, in screen coordinates.
    static CGRect applicationFrame() { return CGRectMake(0, kStatusBarHeight, width(), height() - kStatusBarHeight); }
};

} // namespace platform
