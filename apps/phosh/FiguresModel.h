// What the lock-screen plugin shows, as text: the daemon's stored codes turned
// into the widget's figures (each field's title above its last value, in store
// order, one running column per field) and its refresh line, or a line saying
// why there is nothing to show. No GTK here, so it is tested without a display.
//
//   FiguresView view = figuresView(codes, client.state(), client.stateDetail());
//   FiguresView gone = notRunningView();
//
// Every text comes from another process and is treated as hostile: made valid
// UTF-8, control characters and line breaks turned into spaces, and cut to a
// bound; at most kMaxFigures figures are kept (the rest counted).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linuxhost {
struct StoredCode;
}

namespace phoshplugin {

inline constexpr size_t kMaxFigures = 12;
inline constexpr size_t kMaxTitleChars = 64;
inline constexpr size_t kMaxValueChars = 32;
inline constexpr size_t kMaxDetailChars = 40;

inline constexpr const char* kNotRunningText = "quorveld is not running";
inline constexpr const char* kNoCodesText = "No codes yet: add one in the Quorvel app";

struct Figure {
    std::string title;
    std::string value;   // empty until a refresh gave one
};

struct FiguresView {
    std::vector<Figure> figures;
    size_t hiddenFigures = 0;   // past kMaxFigures
    // "Refreshed at: 09:05:02  ↻" (local time), "Refresh ↻" when never
    // refreshed; empty when there is nothing to refresh.
    std::string refreshLine;
    // The daemon's state in words ("Dialling *100#…"), or why nothing is
    // shown; empty while idle with figures to show.
    std::string status;
};

// The refresh time is the last code's, as the phone's widget takes it (each
// code's end of the walk overwrites it); 0 or less means never.
FiguresView figuresView(const std::vector<linuxhost::StoredCode>& codes, const std::string& state,
                        const std::string& stateDetail);
FiguresView notRunningView();

// The daemon's State property in words; empty for "idle" (or none yet).
// An unknown state is shown as it comes (cleaned and cut).
std::string stateText(const std::string& state, const std::string& detail);

// "Refreshed at: HH:MM:SS  ↻" in the local time zone, "Refresh ↻" for 0 or less.
std::string refreshLineText(int64_t refreshedAtMicros);

// A text from the daemon made safe to show on one line of at most maxChars
// characters (an ellipsis marks a cut).
std::string cleanText(const std::string& text, size_t maxChars);

} // namespace phoshplugin
