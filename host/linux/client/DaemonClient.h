// The command line's side of quorveld's session-bus interface (see
// host/linux/DaemonBus.h): `quorvel refresh` and `quorvel widget [--follow]`.
// The daemon is found by its bus name, so no device root is needed.
//
//   int status = refreshCommand();                 // 0, or 1 with no daemon
//   int status = widgetCommand({.follow = true});  // one JSON line per redraw
//
// Lines are in the custom-module format of common status bars:
//   {"text":"Balance: 12.50 | Bonus: 300","tooltip":"Refreshed at: 09:05:02  ↻","class":"values"}
#pragma once

#include <string>

namespace linuxhost {

struct WidgetCommandOptions {
    bool follow = false;   // keep printing, one line per redraw, until stopped
};

// Asks the running daemon for a refresh (the widget's tap).
int refreshCommand();
// Prints the widget's state once, or on every redraw with follow.
int widgetCommand(const WidgetCommandOptions& options);

// One status-bar line (no newline); every text is escaped for JSON.
std::string statusBarLine(const std::string& text, const std::string& tooltip, const std::string& cssClass);

} // namespace linuxhost
