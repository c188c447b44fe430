// Pictures of a whole phone screen of an application: the status bar, the
// application's window (its navigation bar, table views with cells, text
// fields and text views, switches), the keyboard when it is up, and the
// alerts on screen over a dimmed window.
//
//   host::ScreenPicture screen{window, app.alerts(), app.isKeyboardVisible(), "09:00"};
//   host::renderScreenToPng(screen, "wizard.png");
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

namespace host {

struct ScreenPicture {
    std::shared_ptr<platform::UIView> window;
    std::vector<std::shared_ptr<platform::UIAlertView>> alerts;
    bool keyboardVisible = false;
    // The time in the status bar ("09:00").
    std::string clock;
    // The keyboard shows the phone pad (keyboard type 5) rather than letters.
    bool phonePad = false;
};

// One piece of the screen, back to front, drawn at `frame`: the window's
// whole tree, the status bar, the keyboard, the dimming and each alert's own
// content (alerts are drawn with drawRect alone). The PNG pictures and the
// browser page draw the same layers.
struct ScreenLayer {
    enum class Kind { window, statusBar, keyboard, dim, alert };
    std::shared_ptr<platform::UIView> view;
    platform::CGRect frame;
    Kind kind;
};
std::vector<ScreenLayer> screenLayers(const ScreenPicture& screen);

// A key of the on-screen keyboard, in the keyboard's own coordinates: what it
// shows and what it types.
struct KeyboardKey {
    platform::CGRect box;
    std::string label;
    std::string typed;
};
std::vector<KeyboardKey> keyboardKeys(bool phonePad);
// What the key under a point of the screen types; empty when no key is there.
std::string keyboardKeyAt(platform::CGPoint screenPoint, bool phonePad);

RenderedImage renderScreen(const ScreenPicture& screen, double scale = 2.0);
bool renderScreenToPng(const ScreenPicture& screen, const std::string& hostFile, double scale = 2.0);

} // namespace host
