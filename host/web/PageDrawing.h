// The pictures of the browser page as SVG documents: a screen of an
// application from its layers, and Notification Center with the widget on
// its dark backdrop, laid out as the PNG renderer lays them out.
//
//   std::string svg = svgDocument(320, 480, body, "Settings");
//   NotificationCenterSvg nc = notificationCenterSvg(widget.view().get());
//   widget.tapAt({x - nc.viewOrigin.x, y - nc.viewOrigin.y});
//
// Single-threaded (views are the phone thread's).
#pragma once

#include "platform/foundation/Geometry.h"

#include <string>

namespace platform { class UIView; }

namespace host {

// An <svg> element of that size in points holding `body`, labelled for screen readers.
std::string svgDocument(double width, double height, const std::string& body, const std::string& label);

struct ScreenPicture;

// A whole application screen (status bar, window, keyboard, alerts) from the
// same layers the PNG pictures draw; with no picture, a black screen.
std::string screenSvg(const ScreenPicture* picture, const std::string& label);

struct NotificationCenterSvg {
    std::string svg;
    // Where the widget's (0, 0) lies in the picture.
    platform::CGPoint viewOrigin;
};

// Notification Center as the widget PNG shows it: the backdrop, the widget's
// view centred 8 points down; with no view (nullptr) the backdrop alone.
NotificationCenterSvg notificationCenterSvg(platform::UIView* view);

} // namespace host
