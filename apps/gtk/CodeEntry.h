// Makes an editable (a GtkEntry, an AdwEntryRow) take only what a USSD code
// is made of as it is typed or pasted: acceptedCodeText() decides, and the
// rest of the insertion is dropped before it reaches the text.
#pragma once

#include <gtk/gtk.h>

namespace quorvelapp {

void acceptOnlyCodeCharacters(GtkEditable* editable);
// The same for a menu choice: only 0-9 * #, up to the longest choice quorveld takes (acceptedChoiceText).
void acceptOnlyChoiceCharacters(GtkEditable* editable);

} // namespace quorvelapp
