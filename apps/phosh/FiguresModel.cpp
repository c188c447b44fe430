#include "apps/phosh/FiguresModel.h"

#include "host/linux/client/QuorvelClient.h"

#include <glib.h>

#include <ctime>

namespace phoshplugin {

std::string cleanText(const std::string& text, size_t maxChars)
{
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string line;
    size_t chars = 0;
    for (const gchar* at = valid; *at; at = g_utf8_next_char(at)) {
        if (chars == maxChars) {
            line += "\u2026";
            break;
        }
        const gunichar c = g_utf8_get_char(at);
        // Line and paragraph separators and every control character would
        // break the one-line layout (or be drawn as boxes): a space instead.
        if (g_unichar_iscntrl(c) || c == 0x2028 || c == 0x2029 || g_unichar_type(c) == G_UNICODE_FORMAT)
            line += ' ';
        else
            line.append(at, static_cast<size_t>(g_utf8_next_char(at) - at));
        ++chars;
    }
    g_free(valid);
    return line;
}

std::string refreshLineText(int64_t refreshedAtMicros)
{
    if (refreshedAtMicros <= 0)
        return "Refresh \u21BB";
    const std::time_t seconds = static_cast<std::time_t>(refreshedAtMicros / 1'000'000);
    std::tm local{};
    char clock[16] = "";
    if (!localtime_r(&seconds, &local) || std::strftime(clock, sizeof clock, "%H:%M:%S", &local) == 0)
        return "Refresh \u21BB";
    return std::string("Refreshed at: ") + clock + "  \u21BB";
}

std::string stateText(const std::string& state, const std::string& detail)
{
    const std::string code = cleanText(detail, kMaxDetailChars);
    if (state.empty() || state == "idle")
        return "";
    if (state == "dialling")
        return code.empty() ? "Dialling\u2026" : "Dialling " + code + "\u2026";
    if (state == "waiting-for-sms")
        return code.empty() ? "Waiting for an SMS reply\u2026" : "Waiting for the SMS reply to " + code + "\u2026";
    if (state == "no-modem")
        return "No modem";
    if (state == "modem-unavailable")
        return "The modem is disabled or its SIM is locked";
    if (state == "not-authorised")
        return "Not allowed to use the modem";
    return cleanText(state, kMaxDetailChars);
}

FiguresView figuresView(const std::vector<linuxhost::StoredCode>& codes, const std::string& state,
                        const std::string& stateDetail)
{
    FiguresView view;
    view.status = stateText(state, stateDetail);
    if (codes.empty()) {
        if (view.status.empty())
            view.status = kNoCodesText;
        return view;
    }
    int64_t refreshedAt = 0;
    for (const linuxhost::StoredCode& code : codes) {
        for (const linuxhost::CodeField& field : code.fields) {
            if (view.figures.size() == kMaxFigures) {
                ++view.hiddenFigures;
                continue;
            }
            view.figures.push_back(Figure{cleanText(field.title, kMaxTitleChars), cleanText(field.value, kMaxValueChars)});
        }
        refreshedAt = code.refreshedAtMicros;
    }
    view.refreshLine = refreshLineText(refreshedAt);
    return view;
}

FiguresView notRunningView()
{
    FiguresView view;
    view.status = kNotRunningText;
    return view;
}

} // namespace phoshplugin
