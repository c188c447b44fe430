// One line of text measured and drawn through Pango on a cairo context, in
// the pinned picture fonts (RenderFonts.h), so any script a carrier answers
// in is shaped and drawn with real glyphs.
//
//   TextShaper shaper(cr);
//   double w = shaper.width("Баланс 120,50 руб", UIFont::systemFontOfSize(15));
//   shaper.draw("余额 12.30 元", CGPointMake(10, 20), font);   // baseline at (10, 20)
//
// Glyphs are unhinted, antialiased in grey and placed at unrounded positions,
// so widths grow in proportion to the size and pictures do not depend on
// the host's font settings. The ascent and line height are those of the
// system face, whichever fonts a line falls back to, so lines in different
// scripts share their baselines. Text that is not valid UTF-8 is drawn with
// U+FFFD for each bad byte (logged once per text); a font size of 0 or less
// is taken as 1 point, one above 4096 points as 4096. Does not own `cr`.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/ui/UIFont.h"

#include <map>
#include <set>
#include <string>
#include <utility>

typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

namespace host {

class TextShaper {
public:
    explicit TextShaper(cairo_t* cr);
    ~TextShaper();
    TextShaper(const TextShaper&) = delete;
    TextShaper& operator=(const TextShaper&) = delete;

    // Advance width of the line, in the context's user units (points).
    double width(const std::string& text, const platform::UIFont& font);
    double ascent(const platform::UIFont& font);
    double lineHeight(const platform::UIFont& font);
    // Draws in the context's current source, baseline starting at `baselineOrigin`.
    void draw(const std::string& text, platform::CGPoint baselineOrigin, const platform::UIFont& font);
    // How many characters of the line no font has a glyph for (drawn as boxes).
    int missingGlyphs(const std::string& text, const platform::UIFont& font);

private:
    struct Metrics {
        double ascent;
        double lineHeight;
    };
    PangoLayout* layoutFor(const std::string& text, const platform::UIFont& font);
    const Metrics& metricsFor(const platform::UIFont& font);

    cairo_t* m_cr;
    PangoContext* m_context;        // follows the cairo context's matrix
    PangoContext* m_metricsContext; // never scaled: font metrics in user units
    PangoLayout* m_layout;
    std::map<std::pair<platform::UIFont::Face, double>, Metrics> m_metrics;
    std::set<std::string> m_reportedTexts;
};

} // namespace host
