// A drawing surface that writes SVG instead of pixels: views draw into it
// exactly as they draw into the cairo context of the PNG pictures, and every
// rectangle, image and line of text becomes an SVG element at the same place,
// in the same colours. Text stays text (a <text> element holding it), so a
// page can be read, searched and selected; it is measured by the same Pango
// shaper the pictures use, and each line is stretched to the width Pango
// gave it, so a browser's font differences cannot move what comes after it.
//
//   SvgCanvas canvas;
//   canvas.open("<g role=\"button\" aria-label=\"Balance\">");
//   view.drawRect(canvas, bounds);
//   canvas.close("</g>");
//   std::string svg = canvas.take();
//
// Coordinates are points; the output is in the coordinates of the canvas's
// origin. Single-threaded.
#pragma once

#include "platform/ui/UIGraphicsContext.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace host {

class CairoGraphicsContext;

class SvgCanvas final : public platform::UIGraphicsContext {
public:
    // `idPrefix` starts the ids of its clip paths, so that several drawings
    // can share one page.
    explicit SvgCanvas(std::string idPrefix = "c");
    ~SvgCanvas() override;
    SvgCanvas(const SvgCanvas&) = delete;
    SvgCanvas& operator=(const SvgCanvas&) = delete;

    double widthOfText(const std::string& text, const platform::UIFont& font) override;
    double ascent(const platform::UIFont& font) override;
    double lineHeight(const platform::UIFont& font) override;

    void saveState() override;
    void restoreState() override;
    void translate(double dx, double dy) override;
    void clipToRect(const platform::CGRect& rect) override;
    void fillRect(const platform::CGRect& rect, const platform::UIColor& color) override;
    void drawImagePart(const platform::UIImage& image, const platform::CGRect& source,
                       const platform::CGRect& destination) override;
    void drawText(const std::string& text, platform::CGPoint baselineOrigin, const platform::UIFont& font,
                  const platform::UIColor& color) override;

    // Texts that are buttons of the view being drawn (a bar's buttons, an
    // alert's, the keyboard's keys): drawn with role="button", so a screen
    // reader offers them as buttons. Empty: none.
    void setButtonTexts(std::set<std::string> texts) { m_buttonTexts = std::move(texts); }

    // Raw markup around what follows (a group with a role), written as given.
    void raw(const std::string& markup) { m_out += markup; }
    // The current origin, in the canvas's coordinates.
    platform::CGPoint origin() const { return m_state.back().origin; }
    // Everything written so far; the canvas starts empty again.
    std::string take();

private:
    struct State {
        platform::CGPoint origin;
        std::string clipId;   // empty: no clip
        platform::CGRect clip;
    };
    std::string clipAttribute() const;

    std::unique_ptr<CairoGraphicsContext> m_measurer;
    std::vector<State> m_state;
    std::string m_out;
    std::string m_defs;
    std::string m_idPrefix;
    std::set<std::string> m_buttonTexts;
    int m_nextClip = 0;
    // PNG data addresses of the images drawn, by their pixels.
    std::map<const void*, std::string> m_imageData;
};

// Text made safe inside XML: & < > " ' escaped, bytes that are not UTF-8 as U+FFFD.
std::string xmlEscaped(const std::string& text);
// A colour as SVG takes it: "rgb(r,g,b)", with " fill-opacity" left to the caller.
std::string svgColor(const platform::UIColor& color);

} // namespace host
