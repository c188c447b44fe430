// Small helpers the pages share to build libadwaita rows and labels from
// outside text safely: every text is set as plain text (never markup), and
// every control gets an accessible name.
#pragma once

#include <adwaita.h>

#include <string>
#include <vector>

namespace quorvelapp {

// The name a screen reader (and the AT-SPI tests) read for the widget.
void setAccessibleLabel(GtkWidget* widget, const std::string& label);

// A label showing `text` as it is: no markup, optionally selectable and wrapped.
GtkWidget* plainLabel(const std::string& text, bool selectable = false, bool wrap = false);

// An AdwActionRow whose title and subtitle are plain text.
GtkWidget* plainRow(const std::string& title, const std::string& subtitle = "");

// A row holding a caption and a wrapped, selectable text below it (a reply).
GtkWidget* textRow(const std::string& caption, const std::string& text);

// A flat icon button that activates `action` (with `target` when not null).
GtkWidget* iconButton(const char* icon, const std::string& accessibleLabel, const char* action,
                      GVariant* target = nullptr);

// Shows `plain` (outside text welcome) in a toast for a few seconds.
void showToast(AdwToastOverlay* overlay, const std::string& plain);

// Removes every group `page` holds that is listed, and empties the list.
// A modal dialog window of `parent`, no wider or taller than it (a phone's
// screen) nor than maxWidth x maxHeight, which Escape closes.
GtkWidget* dialogWindow(GtkWindow* parent, const char* title, int maxWidth, int maxHeight);

void removeGroups(AdwPreferencesPage* page, std::vector<GtkWidget*>& groups);

} // namespace quorvelapp
