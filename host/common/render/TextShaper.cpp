#include "host/common/render/TextShaper.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Utf8.h"
#include "host/common/render/RenderFonts.h"

#include <pango/pangocairo.h>

#include <algorithm>

namespace host {

using platform::UIFont;

namespace {

// Metrics, and the order fallback fonts are tried in, follow the language:
// one fixed language keeps them the same whatever the host's locale is.
constexpr const char* kLanguage = "en";

constexpr double kLargestSize = 4096;

// A size of 0 or less (or not a number) would make Pango fall back to its
// default size, and a huge one overflows its fixed-point units: 1 point and
// kLargestSize stand in for them.
double usableSize(const UIFont& font)
{
    return font.pointSize() > 0 ? std::min(font.pointSize(), kLargestSize) : 1.0;
}

PangoFontDescription* describe(const UIFont& font, const char* families)
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, families);
    pango_font_description_set_weight(description, font.isBold() ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(description, usableSize(font) * PANGO_SCALE);
    return description;
}

PangoContext* makeContext()
{
    PangoContext* context = pango_font_map_create_context(renderFontMap());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    pango_context_set_language(context, pango_language_from_string(kLanguage));
    return context;
}

} // namespace

TextShaper::TextShaper(cairo_t* cr) : m_cr(cr), m_context(makeContext()), m_metricsContext(makeContext())
{
    pango_cairo_update_context(m_cr, m_context);
    m_layout = pango_layout_new(m_context);
    // One line whatever the text holds: a line break is drawn, not obeyed.
    pango_layout_set_single_paragraph_mode(m_layout, TRUE);
}

TextShaper::~TextShaper()
{
    g_object_unref(m_layout);
    g_object_unref(m_context);
    g_object_unref(m_metricsContext);
}

PangoLayout* TextShaper::layoutFor(const std::string& text, const UIFont& font)
{
    if (platform::utf8::isValid(text)) {
        pango_layout_set_text(m_layout, text.data(), static_cast<int>(text.size()));
    } else {
        if (m_reportedTexts.insert(text).second)
            QLog("sim: render: text is not valid UTF-8, drawn with U+FFFD for each bad byte: %@",
                 platform::utf8::sanitized(text));
        const std::string clean = platform::utf8::sanitized(text);
        pango_layout_set_text(m_layout, clean.data(), static_cast<int>(clean.size()));
    }
    PangoFontDescription* description = describe(font, kRenderFontFamilies);
    pango_layout_set_font_description(m_layout, description);
    pango_font_description_free(description);
    return m_layout;
}

double TextShaper::width(const std::string& text, const UIFont& font)
{
    if (text.empty())
        return 0;
    PangoRectangle logical;
    pango_layout_get_extents(layoutFor(text, font), nullptr, &logical);
    return static_cast<double>(logical.width) / PANGO_SCALE;
}

const TextShaper::Metrics& TextShaper::metricsFor(const UIFont& font)
{
    // Keyed by the size actually used: never a NaN, which a map cannot order.
    const auto key = std::make_pair(font.face(), usableSize(font));
    auto found = m_metrics.find(key);
    if (found != m_metrics.end())
        return found->second;
    // The first family alone, so a fallback font's taller lines never move
    // the baseline; and in user units, which Pango gives only on a context
    // that draws under no scale (the drawing one divides them by its scale).
    PangoFontDescription* description = describe(font, kRenderFontFiles[0].family);
    PangoFontMetrics* metrics =
        pango_context_get_metrics(m_metricsContext, description, pango_language_from_string(kLanguage));
    pango_font_description_free(description);
    Metrics value{static_cast<double>(pango_font_metrics_get_ascent(metrics)) / PANGO_SCALE,
                  static_cast<double>(pango_font_metrics_get_height(metrics)) / PANGO_SCALE};
    pango_font_metrics_unref(metrics);
    return m_metrics.emplace(key, value).first->second;
}

double TextShaper::ascent(const UIFont& font) { return metricsFor(font).ascent; }

double TextShaper::lineHeight(const UIFont& font) { return metricsFor(font).lineHeight; }

void TextShaper::draw(const std::string& text, platform::CGPoint baselineOrigin, const UIFont& font)
{
    if (text.empty())
        return;
    // The context follows the cairo matrix (the picture's scale) it draws under.
    pango_cairo_update_context(m_cr, m_context);
    PangoLayout* layout = layoutFor(text, font);
    cairo_move_to(m_cr, baselineOrigin.x, baselineOrigin.y);
    pango_cairo_show_layout_line(m_cr, pango_layout_get_line_readonly(layout, 0));
    cairo_new_path(m_cr);
}

int TextShaper::missingGlyphs(const std::string& text, const UIFont& font)
{
    if (text.empty())
        return 0;
    int missing = 0;
    PangoLayoutLine* line = pango_layout_get_line_readonly(layoutFor(text, font), 0);
    for (GSList* run = line ? line->runs : nullptr; run; run = run->next) {
        const PangoGlyphString* glyphs = static_cast<PangoGlyphItem*>(run->data)->glyphs;
        for (int i = 0; i < glyphs->num_glyphs; ++i)
            if (glyphs->glyphs[i].glyph & PANGO_GLYPH_UNKNOWN_FLAG)
                ++missing;
    }
    return missing;
}

} // namespace host
