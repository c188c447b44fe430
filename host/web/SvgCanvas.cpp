#include "host/web/SvgCanvas.h"

#include "host/common/render/CairoGraphicsContext.h"
#include "host/common/render/ImageSurface.h"
#include "host/common/render/RenderFonts.h"
#include "platform/foundation/Utf8.h"
#include "platform/ui/UIImage.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace host {

using platform::CGPoint;
using platform::CGRect;
using platform::CGRectMake;
using platform::UIColor;
using platform::UIFont;

namespace {

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", std::abs(value) < 1e-9 ? 0.0 : value);
    return text;
}

std::string base64(const std::string& bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t a = static_cast<unsigned char>(bytes[i]);
        const uint32_t b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const uint32_t c = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        const uint32_t triple = (a << 16) | (b << 8) | c;
        out += kDigits[(triple >> 18) & 63];
        out += kDigits[(triple >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(triple >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[triple & 63] : '=';
    }
    return out;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The image as a PNG data address, through cairo as the pictures decode it.
std::string pngDataAddress(const platform::UIImage& image)
{
    cairo_surface_t* surface = createImageSurface(image);
    std::string png;
    cairo_surface_write_to_png_stream(surface, appendBytes, &png);
    cairo_surface_destroy(surface);
    return "data:image/png;base64," + base64(png);
}

} // namespace

std::string xmlEscaped(const std::string& text)
{
    const std::string clean = platform::utf8::sanitized(text, true);
    std::string out;
    out.reserve(clean.size());
    for (char c : clean) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            // Control characters other than tab are not allowed in XML.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                out += ' ';
            else
                out += c;
        }
    }
    return out;
}

std::string svgColor(const UIColor& color)
{
    auto channel = [](double c) { return std::to_string(static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255))); };
    return "rgb(" + channel(color.red()) + "," + channel(color.green()) + "," + channel(color.blue()) + ")";
}

SvgCanvas::SvgCanvas(std::string idPrefix)
    : m_measurer(std::make_unique<CairoGraphicsContext>()), m_idPrefix(std::move(idPrefix))
{
    m_state.push_back({});
}

SvgCanvas::~SvgCanvas() = default;

double SvgCanvas::widthOfText(const std::string& text, const UIFont& font) { return m_measurer->widthOfText(text, font); }
double SvgCanvas::ascent(const UIFont& font) { return m_measurer->ascent(font); }
double SvgCanvas::lineHeight(const UIFont& font) { return m_measurer->lineHeight(font); }

void SvgCanvas::saveState() { m_state.push_back(m_state.back()); }

void SvgCanvas::restoreState()
{
    // An unbalanced restore keeps the outermost state rather than underflowing.
    if (m_state.size() > 1)
        m_state.pop_back();
}

void SvgCanvas::translate(double dx, double dy)
{
    m_state.back().origin.x += dx;
    m_state.back().origin.y += dy;
}

void SvgCanvas::clipToRect(const CGRect& rect)
{
    State& state = m_state.back();
    CGRect absolute = CGRectMake(state.origin.x + rect.minX(), state.origin.y + rect.minY(), rect.size.width, rect.size.height);
    if (!state.clipId.empty()) {
        const double x0 = std::max(absolute.minX(), state.clip.minX());
        const double y0 = std::max(absolute.minY(), state.clip.minY());
        const double x1 = std::min(absolute.maxX(), state.clip.maxX());
        const double y1 = std::min(absolute.maxY(), state.clip.maxY());
        absolute = CGRectMake(x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0));
    }
    state.clip = absolute;
    state.clipId = m_idPrefix + std::to_string(m_nextClip++);
    m_defs += "<clipPath id=\"" + state.clipId + "\"><rect x=\"" + number(absolute.minX()) + "\" y=\"" + number(absolute.minY()) +
              "\" width=\"" + number(absolute.size.width) + "\" height=\"" + number(absolute.size.height) + "\"/></clipPath>";
}

std::string SvgCanvas::clipAttribute() const
{
    const std::string& id = m_state.back().clipId;
    return id.empty() ? std::string() : " clip-path=\"url(#" + id + ")\"";
}

void SvgCanvas::fillRect(const CGRect& rect, const UIColor& color)
{
    if (rect.size.width <= 0 || rect.size.height <= 0 || color.isClear())
        return;
    const CGPoint o = origin();
    m_out += "<rect x=\"" + number(o.x + rect.minX()) + "\" y=\"" + number(o.y + rect.minY()) + "\" width=\"" +
             number(rect.size.width) + "\" height=\"" + number(rect.size.height) + "\" fill=\"" + svgColor(color) + "\"";
    if (color.alpha() < 1)
        m_out += " fill-opacity=\"" + number(color.alpha()) + "\"";
    m_out += clipAttribute() + "/>";
}

void SvgCanvas::drawImagePart(const platform::UIImage& image, const CGRect& source, const CGRect& destination)
{
    if (source.size.width <= 0 || source.size.height <= 0 || destination.size.width <= 0 || destination.size.height <= 0)
        return;
    auto found = m_imageData.find(&image.pixels());
    if (found == m_imageData.end())
        found = m_imageData.emplace(&image.pixels(), pngDataAddress(image)).first;
    const CGPoint o = origin();
    // A nested viewport shows only the source part, stretched to the destination.
    m_out += "<g" + clipAttribute() + "><svg x=\"" + number(o.x + destination.minX()) + "\" y=\"" + number(o.y + destination.minY()) +
             "\" width=\"" + number(destination.size.width) + "\" height=\"" + number(destination.size.height) +
             "\" viewBox=\"" + number(source.minX()) + " " + number(source.minY()) + " " + number(source.size.width) + " " +
             number(source.size.height) + "\" preserveAspectRatio=\"none\" aria-hidden=\"true\"><image width=\"" +
             std::to_string(image.pixelWidth()) + "\" height=\"" + std::to_string(image.pixelHeight()) + "\" href=\"" +
             found->second + "\"/></svg></g>";
}

void SvgCanvas::drawText(const std::string& text, CGPoint baselineOrigin, const UIFont& font, const UIColor& color)
{
    if (text.empty())
        return;
    const CGPoint o = origin();
    const double width = widthOfText(text, font);
    m_out += "<text x=\"" + number(o.x + baselineOrigin.x) + "\" y=\"" + number(o.y + baselineOrigin.y) +
             "\" font-size=\"" + number(font.pointSize()) + "\"" + (font.isBold() ? " font-weight=\"bold\"" : "") + " fill=\"" +
             svgColor(color) + "\"";
    if (color.alpha() < 1)
        m_out += " fill-opacity=\"" + number(color.alpha()) + "\"";
    if (width > 0)
        m_out += " textLength=\"" + number(width) + "\" lengthAdjust=\"spacingAndGlyphs\"";
    if (m_buttonTexts.count(text))
        m_out += " role=\"button\"";
    m_out += clipAttribute() + ">" + xmlEscaped(text) + "</text>";
}

std::string SvgCanvas::take()
{
    std::string out = (m_defs.empty() ? std::string() : "<defs>" + m_defs + "</defs>") + m_out;
    m_defs.clear();
    m_out.clear();
    m_state.assign(1, {});
    m_nextClip = 0;
    return out;
}

} // namespace host
