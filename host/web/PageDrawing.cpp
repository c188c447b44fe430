#include "host/web/PageDrawing.h"

#include "host/common/render/ScreenRenderer.h"
#include "host/common/render/ViewRenderer.h"
#include "host/web/SvgCanvas.h"
#include "host/web/ViewSvg.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace host {

std::string svgDocument(double width, double height, const std::string& body, const std::string& label)
{
    const std::string w = std::to_string(static_cast<int>(std::ceil(width)));
    const std::string h = std::to_string(static_cast<int>(std::ceil(height)));
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + w + " " + h + "\" width=\"" + w + "\" height=\"" + h +
           "\" role=\"group\" aria-label=\"" + xmlEscaped(label) + "\">" + body + "</svg>";
}

std::string screenSvg(const ScreenPicture* picture, const std::string& label)
{
    const double width = platform::UIScreen::width();
    const double height = platform::UIScreen::height();
    SvgCanvas canvas("screen-");
    canvas.fillRect(platform::UIScreen::bounds(), platform::UIColor::blackColor());
    if (picture) {
        for (const ScreenLayer& layer : screenLayers(*picture)) {
            const bool keyboard = layer.kind == ScreenLayer::Kind::keyboard;
            if (keyboard)
                canvas.raw("<g role=\"group\" aria-label=\"keyboard\">");
            std::set<std::string> keys;
            if (keyboard)
                for (const KeyboardKey& key : keyboardKeys(picture->phonePad))
                    keys.insert(key.label);
            appendViewTree(canvas, *layer.view, layer.frame.origin, layer.kind == ScreenLayer::Kind::alert, keys);
            if (keyboard)
                canvas.raw("</g>");
        }
    }
    return svgDocument(width, height, canvas.take(), label);
}

NotificationCenterSvg notificationCenterSvg(platform::UIView* view)
{
    // The same geometry as renderView with its default options.
    const RenderOptions options;
    double viewWidth = 0;
    double viewHeight = 0;
    if (view) {
        view->layoutIfNeeded();
        viewWidth = std::max(0.0, view->frame().size.width);
        viewHeight = std::max(0.0, view->frame().size.height);
    }
    const double width = std::max(options.minimumWidth, viewWidth + 2 * options.margin);
    const double height = viewHeight + 2 * options.margin;
    const platform::CGPoint origin{std::floor((width - viewWidth) / 2), options.margin};
    // Notification Center's sheet: the backdrop's gradient, as the pictures paint it.
    std::string body =
        "<defs><linearGradient id=\"nc-backdrop\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
        "<stop offset=\"0\" stop-color=\"rgb(51,54,59)\"/><stop offset=\"1\" stop-color=\"rgb(28,31,33)\"/></linearGradient></defs>"
        "<rect width=\"100%\" height=\"100%\" fill=\"url(#nc-backdrop)\"/>";
    if (view) {
        SvgCanvas canvas("nc-");
        appendViewTree(canvas, *view, origin);
        body += canvas.take();
    }
    return {svgDocument(width, std::max(height, 1.0), body, "Notification Center"), origin};
}

} // namespace host
