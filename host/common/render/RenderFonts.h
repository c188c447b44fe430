// The fonts every picture is drawn with, the same on every machine that ran
// scripts/setup.sh: a fontconfig configuration of our own that knows only the
// font files listed here (never the user's or the system's other fonts), and
// the Pango font map built on it.
//
//   PangoContext* context = pango_font_map_create_context(host::renderFontMap());
//
// The system face is Liberation Sans, whose advance widths are those of the
// phone's own system font family, so labels shrink and cut where they do on
// the phone. Characters it lacks fall back, in this order, to DejaVu Sans
// (symbols such as ↻ and ✓, Arabic) and WenQuanYi Micro Hei (Chinese,
// Japanese, Korean). Faces a file lacks (bold CJK, say) are synthesised.
// A missing file is logged once and skipped; with none there at all the
// host's own fonts are used, so text is still drawn.
#pragma once

#include <array>
#include <string>
#include <vector>

typedef struct _PangoFontMap PangoFontMap;

namespace host {

struct RenderFontFile {
    const char* family;
    const char* path;
    const char* package; // the Debian package scripts/setup.sh installs it from
};

inline constexpr std::array<RenderFontFile, 5> kRenderFontFiles{{
    {"Liberation Sans", "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "fonts-liberation2"},
    {"Liberation Sans", "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", "fonts-liberation2"},
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "fonts-dejavu-core"},
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "fonts-dejavu-core"},
    {"WenQuanYi Micro Hei", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "fonts-wqy-microhei"},
}};

// The families asked for, first choice first, as a Pango family list.
inline constexpr const char* kRenderFontFamilies = "Liberation Sans,DejaVu Sans,WenQuanYi Micro Hei";

// Process-wide, made on first use and kept for the process's life.
PangoFontMap* renderFontMap();

// The listed files that could not be loaded (empty when all are there).
std::vector<std::string> missingRenderFontFiles();

} // namespace host
