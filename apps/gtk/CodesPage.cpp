#include "apps/gtk/CodesPage.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/SimWords.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
constexpr size_t kMaxCodeShown = 40;
constexpr size_t kMaxSummaryShown = 120;
}

std::string codeSummary(const linuxhost::StoredCode& code)
{
    std::string titles;
    for (const linuxhost::CodeField& field : code.fields)
        titles += (titles.empty() ? "" : ", ") + field.title;
    const std::string how = code.smsSender.empty() ? text::byUssd() : fill(text::bySmsFrom(), {code.smsSender});
    const std::string sim = simSummary(code);
    const std::string summary = titles.empty() ? how : titles + " · " + how;
    return shownText(sim.empty() ? summary : summary + " · " + sim, kMaxSummaryShown);
}

CodesPage::CodesPage()
    : m_page(adw_preferences_page_new()), m_group(adw_preferences_group_new())
{
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(m_group), text::codesGroup());
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(m_group), text::codesGroupHint());
    GtkWidget* add = iconButton("list-add-symbolic", text::addCode(), "win.add-code");
    gtk_widget_add_css_class(add, "flat");
    adw_preferences_group_set_header_suffix(ADW_PREFERENCES_GROUP(m_group), add);
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_group));
}

void CodesPage::showCodes(const std::vector<std::pair<int, const linuxhost::StoredCode*>>& codes, bool running)
{
    for (GtkWidget* row : m_rows)
        adw_preferences_group_remove(ADW_PREFERENCES_GROUP(m_group), row);
    m_rows.clear();
    if (codes.empty()) {
        GtkWidget* row = running ? plainRow(text::noCodesTitle(), text::noCodesHint())
                                 : plainRow(text::stateNotRunning(), text::startCommand());
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), row);
        m_rows.push_back(row);
        return;
    }
    for (const auto& [index, code] : codes) {
        const std::string name = shownText(code->code, kMaxCodeShown);
        GtkWidget* row = plainRow(name, codeSummary(*code));
        gtk_list_box_row_set_activatable(GTK_LIST_BOX_ROW(row), TRUE);
        gtk_actionable_set_action_name(GTK_ACTIONABLE(row), "win.open-code");
        gtk_actionable_set_action_target_value(GTK_ACTIONABLE(row), g_variant_new_int32(index));
        GtkWidget* remove = iconButton("user-trash-symbolic", fill(text::deleteCode(), {name}), "win.delete-code",
                                       g_variant_new_int32(index));
        gtk_widget_set_valign(remove, GTK_ALIGN_CENTER);
        gtk_widget_add_css_class(remove, "flat");
        if (m_decorate)
            m_decorate(row, index, *code);
        adw_action_row_add_suffix(ADW_ACTION_ROW(row), remove);
        adw_action_row_add_suffix(ADW_ACTION_ROW(row), gtk_image_new_from_icon_name("go-next-symbolic"));
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), row);
        m_rows.push_back(row);
    }
}

} // namespace quorvelapp
