#include "apps/gtk/SimBinding.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/SimWords.h"
#include "apps/gtk/logic/Text.h"

#include <cstdio>

namespace quorvelapp {

namespace {
constexpr size_t kMaxCodeShown = 40;
constexpr size_t kMaxErrorShown = 300;
constexpr const char* kFollowKey = "codesFollowSim";
}

SimBinding::SimBinding(linuxhost::QuorvelClient& client, std::function<void(const std::string&)> toast)
    : m_client(client), m_toast(std::move(toast))
{
}

void SimBinding::addAction(GActionMap* map, std::function<const std::vector<linuxhost::StoredCode>&()> stored)
{
    m_stored = std::move(stored);
    GSimpleAction* bindAction = g_simple_action_new("bind-code", G_VARIANT_TYPE_INT32);
    g_signal_connect(bindAction, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant* index, gpointer self) {
                         auto* binding = static_cast<SimBinding*>(self);
                         const int i = g_variant_get_int32(index);
                         const std::vector<linuxhost::StoredCode>& codes = binding->m_stored();
                         if (i >= 0 && static_cast<size_t>(i) < codes.size())
                             binding->bind(i, codes[static_cast<size_t>(i)]);
                     }),
                     this);
    g_action_map_add_action(map, G_ACTION(bindAction));
    g_object_unref(bindAction);
}

void SimBinding::noteSettings(const std::vector<linuxhost::Setting>& settings)
{
    m_codesFollowSim = false;
    for (const linuxhost::Setting& setting : settings)
        if (setting.key == kFollowKey)
            if (const bool* on = std::get_if<bool>(&setting.value))
                m_codesFollowSim = *on;
}

void SimBinding::decorateRow(GtkWidget* row, int index, const linuxhost::StoredCode& code) const
{
    if (!code.simIn)
        gtk_widget_add_css_class(row, "dim-label");
    if (!offersBinding(code, m_codesFollowSim, m_client.sims()))
        return;
    const std::string label = fill(text::bindToSim(), {shownText(code.code, kMaxCodeShown)});
    GtkWidget* button = iconButton("auth-sim-symbolic", label, "win.bind-code", g_variant_new_int32(index));
    gtk_widget_set_tooltip_text(button, label.c_str());
    gtk_widget_set_valign(button, GTK_ALIGN_CENTER);
    gtk_widget_add_css_class(button, "flat");
    adw_action_row_add_suffix(ADW_ACTION_ROW(row), button);
}

void SimBinding::bind(int index, const linuxhost::StoredCode& code)
{
    const std::string name = shownText(code.code, kMaxCodeShown);
    linuxhost::CallError error;
    if (auto sim = m_client.bindCodeToSim(index, code.code, &error)) {
        m_toast(fill(text::boundToSim(), {name, simName(*sim)}));
        return;
    }
    std::fprintf(stderr, "quorvel-app: BindCodeToSim: %s: %s\n", error.name.c_str(), error.message.c_str());
    m_toast(fill(text::bindFailed(), {name, shownText(error.message, kMaxErrorShown)}));
}

GtkWidget* simRow(const linuxhost::StoredCode& code)
{
    GtkWidget* row = plainRow(text::simRow(), code.simId.empty() ? text::anySim() : simSummary(code));
    if (!code.simIn)
        gtk_widget_add_css_class(row, "dim-label");
    return row;
}

} // namespace quorvelapp
