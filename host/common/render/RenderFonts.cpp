#include "host/common/render/RenderFonts.h"

#include "platform/foundation/Log.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

namespace host {

namespace {

// Only what the pictures need beyond the files themselves: a bold asked of a
// file that has none is made by emboldening it, as fontconfig's own
// configuration does. No hinting or antialiasing rules:
// the renderer sets those explicitly through cairo's font options.
constexpr const char* kConfigRules = R"xml(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <match target="font">
    <test name="weight" compare="less_eq"><const>medium</const></test>
    <test target="pattern" name="weight" compare="more_eq"><const>bold</const></test>
    <edit name="embolden" mode="assign"><bool>true</bool></edit>
    <edit name="weight" mode="assign"><const>bold</const></edit>
  </match>
</fontconfig>
)xml";

struct FontSet {
    PangoFontMap* map = nullptr;
    std::vector<std::string> missing;
};

FontSet makeFontSet()
{
    FontSet set;
    FcConfig* config = FcConfigCreate();
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kConfigRules), FcTrue))
        QLog("sim: render: the font rules could not be read; bold falls back to the regular face");
    size_t loaded = 0;
    for (const RenderFontFile& file : kRenderFontFiles) {
        if (FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.path))) {
            ++loaded;
            continue;
        }
        set.missing.emplace_back(file.path);
        QLog("sim: render: font file %@ (%@, package %@) is missing; scripts/setup.sh installs it", file.path,
                       file.family, file.package);
    }
    set.map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    if (!set.map) {
        // Not built with FreeType fonts: the host's default is all there is.
        FcConfigDestroy(config);
        QLog("sim: render: no FreeType font map; text uses the host's default fonts");
        set.map = pango_cairo_font_map_new();
        return set;
    }
    if (loaded == 0) {
        FcConfigDestroy(config);
        QLog("sim: render: none of the picture fonts is installed; text uses the host's fonts and pictures "
                       "will differ from the references");
    } else {
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(set.map), config);
        FcConfigDestroy(config); // the font map holds its own reference
    }
    // Font sizes are given in points, which are the pictures' user units.
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(set.map), 72.0);
    return set;
}

const FontSet& fontSet()
{
    static const FontSet set = makeFontSet();
    return set;
}

} // namespace

PangoFontMap* renderFontMap() { return fontSet().map; }

std::vector<std::string> missingRenderFontFiles() { return fontSet().missing; }

} // namespace host
