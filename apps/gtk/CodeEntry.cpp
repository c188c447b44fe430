#include "apps/gtk/CodeEntry.h"

#include "apps/gtk/logic/CodeFilter.h"
#include "apps/gtk/logic/MenuPath.h"

#include <cstring>
#include <string>

namespace quorvelapp {

namespace {

using Filter = std::string (*)(std::string_view typed, size_t lengthBefore);

void onInsertText(GtkEditable* editable, const char* text, int length, int* position, gpointer filter)
{
    const std::string typed = length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
    const std::string kept = reinterpret_cast<Filter>(filter)(typed, std::strlen(gtk_editable_get_text(editable)));
    if (kept == typed)
        return;
    // Insert what is kept in place of what was typed, without coming back here.
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(onInsertText), filter);
    if (!kept.empty())
        gtk_editable_insert_text(editable, kept.c_str(), static_cast<int>(kept.size()), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(onInsertText), filter);
    g_signal_stop_emission_by_name(editable, "insert-text");
}

void acceptOnly(GtkEditable* editable, Filter filter)
{
    // A composite editable (an entry row) inserts through its inner GtkText.
    GtkEditable* target = editable;
    while (GtkEditable* inner = gtk_editable_get_delegate(target))
        target = inner;
    g_signal_connect(target, "insert-text", G_CALLBACK(onInsertText), reinterpret_cast<gpointer>(filter));
}

} // namespace

void acceptOnlyCodeCharacters(GtkEditable* editable)
{
    acceptOnly(editable, acceptedCodeText);
}

void acceptOnlyChoiceCharacters(GtkEditable* editable)
{
    acceptOnly(editable, acceptedChoiceText);
}

} // namespace quorvelapp
