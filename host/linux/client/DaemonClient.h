// The command line's side of quorveld's session-bus interface (see
// host/linux/DaemonBus.h), on the client library (QuorvelClient.h):
// `quorvel refresh`, `quorvel widget [--follow]` and `quorvel codes`. The
// daemon is found by its bus name, so no device root is needed.
//
//   int status = refreshCommand();                 // 0, or 1 with no daemon
//   int status = widgetCommand({.follow = true});  // one JSON line per redraw
//   int status = codesCommand();                   // the stored codes as one JSON array
//
// Lines are in the custom-module format of common status bars:
//   {"text":"Balance: 12.50 | Bonus: 300","tooltip":"Refreshed at: 09:05:02  ↻\n*100#: Balance 12.50 rub","class":"values"}
#pragma once

#include <string>
#include <vector>

namespace linuxhost {

struct WidgetCommandOptions {
    bool follow = false;   // keep printing, one line per redraw, until stopped
};

// Asks the running daemon for a refresh (the widget's tap).
int refreshCommand();
// Prints the widget's state once, or on every redraw with follow.
int widgetCommand(const WidgetCommandOptions& options);

// Prints the stored codes with their fields, values, last refresh and last reply.
int codesCommand();

struct StoredCode;

// One status-bar line (no newline): the text and tooltip are escaped as Pango
// markup (status bars take them as markup), then every string for JSON.
std::string statusBarLine(const std::string& text, const std::string& tooltip, const std::string& cssClass);

// The widget's tooltip with a line "CODE: REPLY" under it for each code whose
// last reply the daemon keeps, in store order (`quorvel widget` prints this).
std::string tooltipWithReplies(const std::string& tooltip, const std::vector<StoredCode>& codes);
// The codes as a JSON array (no newline):
//   [{"code":"*100#","smsSender":"","expectedNumbers":2,"refreshedAt":"2026-12-08T09:05:00Z",
//     "lastReply":"Balance 12.50","fields":[{"index":0,"title":"Balance","value":"12.50"}]}]
// refreshedAt is null for a code never refreshed.
std::string codesJson(const std::vector<StoredCode>& codes);

} // namespace linuxhost
