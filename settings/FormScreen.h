// Pieces the add-code wizard's two form screens share: the grouped table
// drawn behind their fields, and the read-only help text under them.
//
//   addGroupedBackground(view());
//   tvHelp = makeHelpTextView(CGRectMake(10, 75, width - 20, 150), kHelpText, HelpScrolling::Scrolls);
//   view()->addSubview(tvHelp);
#pragma once

#include "platform/ui/UITextView.h"
#include "platform/ui/UIView.h"

#include <memory>
#include <string>

namespace quorvel {

// Clears the screen's own background and puts a grouped table, only for its
// look, behind everything already on it; the table follows the screen's size.
// Each call adds another table.
void addGroupedBackground(const std::shared_ptr<platform::UIView>& root);

enum class HelpScrolling {
    Scrolls, // scrolls within its frame, showing its indicator
    Fixed,   // never scrolls and lets touches through to what is behind it
};

// A help text that cannot be edited, in the 12-point system font, aligned
// left and as wide as its screen; the caller adds it where it belongs.
std::shared_ptr<platform::UITextView> makeHelpTextView(const platform::CGRect& frame, const std::string& text,
                                                       HelpScrolling scrolling);

} // namespace quorvel
