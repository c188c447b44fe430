// The widget's texts as a status bar shows them, read from the widget's view
// tree: each field's title label (tag 100 + i) and value label (200 + i), and
// the refresh line (tag 500).
//
//   WidgetTexts t = widgetTexts(*view);
//   t.text      // "Balance: 12.50 | Minutes: 300"
//   t.tooltip   // "Refreshed at: 09:05:02  ↻"
//   t.cssClass  // "values" when a field shows a value, "empty" otherwise
#pragma once

#include <string>

namespace platform { class UIView; }

namespace linuxhost {

inline constexpr int kTitleTagBase = 100;
inline constexpr int kValueTagBase = 200;
inline constexpr int kRefreshLineTag = 500;

struct WidgetTexts {
    std::string text;
    std::string tooltip;
    std::string cssClass = "empty";
};

WidgetTexts widgetTexts(platform::UIView& root);

} // namespace linuxhost
