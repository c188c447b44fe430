#include "apps/gtk/CodeEntry.h"

#include "apps/gtk/logic/CodeFilter.h"

#include <cstring>
#include <string>

namespace quorvelapp {

namespace {

void onInsertText(GtkEditable* editable, const char* text, int length, int* position, gpointer)
{
    const std::string typed = length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
    const std::string kept = acceptedCodeText(typed, std::strlen(gtk_editable_get_text(editable)));
    if (kept == typed)
        return;
    // Insert what is kept in place of what was typed, without coming back here.
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(onInsertText), nullptr);
    if (!kept.empty())
        gtk_editable_insert_text(editable, kept.c_str(), static_cast<int>(kept.size()), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(onInsertText), nullptr);
    g_signal_stop_emission_by_name(editable, "insert-text");
}

} // namespace

void acceptOnlyCodeCharacters(GtkEditable* editable)
{
    // A composite editable (an entry row) inserts through its inner GtkText.
    GtkEditable* target = editable;
    while (GtkEditable* inner = gtk_editable_get_delegate(target))
        target = inner;
    g_signal_connect(target, "insert-text", G_CALLBACK(onInsertText), nullptr);
}

} // namespace quorvelapp
