// Pictures of a whole phone screen of an application: the status bar, the
// application's window (its navigation bar, table views with cells, text
// fields and text views, switches), the keyboard when it is up, and the
// alerts on screen over a dimmed window.
//
//   sim::ScreenPicture screen{window, app.alerts(), app.isKeyboardVisible(), "09:00"};
//   sim::renderScreenToPng(screen, "wizard.png");
//
// The overlays are added to the window only while it is drawn. Single-threaded.
#pragma once

#include "host/common/render/ViewRenderer.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {
class UIAlertView;
class UIView;
} // namespace platform

namespace sim {

struct ScreenPicture {
    std::shared_ptr<platform::UIView> window;
    std::vector<std::shared_ptr<platform::UIAlertView>> alerts;
    bool keyboardVisible = false;
    // The time in the status bar ("09:00").
    std::string clock;
    // The keyboard shows the phone pad (keyboard type 5) rather than letters.
    bool phonePad = false;
};

host::RenderedImage renderScreen(const ScreenPicture& screen, double scale = 2.0);
bool renderScreenToPng(const ScreenPicture& screen, const std::string& hostFile, double scale = 2.0);

} // namespace sim
