// A finger on an application's screen, as the platform delivers it: a tap at
// a point reaches the top alert's button, a key of the on-screen keyboard, or
// whatever the window's hit testing finds there (a bar button, a switch, a
// text field, a row, a view with a tap recogniser); a drag moves the scroll
// view under the point. Both hosts' Settings screens use it, so the browser
// page acts on the same views the scenario statements do.
//
//   host::TouchResult done = host::tapScreen({window, &application, navigation}, {300, 42}, measurer);
//
// Call inside the application's process scope. Single-threaded.
#pragma once

#include "platform/foundation/Geometry.h"

#include <memory>
#include <string>

namespace platform {
class UIApplication;
class UINavigationController;
class UITextMeasurer;
class UIView;
} // namespace platform

namespace host {

struct TouchTarget {
    std::shared_ptr<platform::UIView> window;
    platform::UIApplication* application = nullptr;
    std::shared_ptr<platform::UINavigationController> navigation;
};

// Done, or why the touch changed nothing.
struct TouchResult {
    bool ok = true;
    std::string problem;
};

// A tap at a point of the screen (320 x 480 points). `measurer` measures the
// navigation bar's button texts as they are drawn.
TouchResult tapScreen(const TouchTarget& target, platform::CGPoint point, platform::UITextMeasurer& measurer);
// The content under a point dragged `dy` points up (negative: down), within
// the scroll view's content size and insets.
TouchResult scrollScreen(const TouchTarget& target, platform::CGPoint point, double dy);

} // namespace host
