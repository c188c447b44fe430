// View trees as SVG for the browser page: the same walk, frames and colours
// as UIView::drawHierarchy (so the page looks like the PNG pictures), with
// each view wrapped in a group that says what it is: its class, its tag, and
// for the views a person acts on a role and a label a screen reader reads
// (a row is a button named by its texts, a text field a textbox, a switch a
// switch with its state, an alert an alert dialog).
//
//   SvgCanvas canvas("settings-");
//   appendViewTree(canvas, *window, window->frame().origin);
//   std::string body = canvas.take();     // wrap in <svg viewBox="0 0 320 480">
//
// Lays nothing out itself: callers lay the tree out first, as the pictures do.
// Single-threaded.
#pragma once

#include "platform/foundation/Geometry.h"

#include <set>
#include <string>

namespace platform { class UIView; }

namespace host {

class SvgCanvas;

// Draws `view` and its visible subviews with the view's top-left corner at
// `at` (in the canvas's coordinates). `contentOnly` draws the view's own
// drawRect alone, without background or subviews. `buttons` names texts
// that the view itself draws as buttons (the on-screen keyboard's keys).
void appendViewTree(SvgCanvas& canvas, platform::UIView& view, platform::CGPoint at, bool contentOnly = false,
                    const std::set<std::string>& buttons = {});

// The role and label attributes of one view (empty for a view nobody acts on).
std::string accessibilityAttributes(platform::UIView& view);

} // namespace host
