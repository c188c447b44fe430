#include "host/common/render/ScreenRenderer.h"

#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIView.h"

#include <array>

namespace host {

using namespace platform;

namespace {

void drawCentred(UIGraphicsContext& context, const std::string& text, const CGRect& box, const UIFont& font,
                 const UIColor& color)
{
    const double width = context.widthOfText(text, font);
    const double top = box.minY() + (box.size.height - context.lineHeight(font)) / 2;
    context.drawText(text, CGPointMake(box.minX() + (box.size.width - width) / 2, top + context.ascent(font)), font, color);
}

class StatusBarView final : public UIView {
public:
    explicit StatusBarView(std::string clock)
        : UIView(CGRectMake(0, 0, UIScreen::width(), UIScreen::kStatusBarHeight)), m_clock(std::move(clock))
    {
        setBackgroundColor(UIColor::blackColor());
    }
    void drawRect(UIGraphicsContext& context, const CGRect& rect) override
    {
        const UIFont font = UIFont::boldSystemFontOfSize(12);
        context.drawText("Carrier", CGPointMake(6, 4 + context.ascent(font)), font, UIColor::whiteColor());
        drawCentred(context, m_clock, rect, font, UIColor::whiteColor());
        context.fillRect(CGRectMake(rect.maxX() - 30, 6, 22, 9), UIColor::whiteColor());
    }

private:
    std::string m_clock;
};

class KeyboardView final : public UIView {
public:
    explicit KeyboardView(bool phonePad) : UIView(UIApplication::keyboardFrame()), m_phonePad(phonePad)
    {
        setBackgroundColor(UIColor::colorWithRed(0.62, 0.64, 0.69, 1));
    }
    void drawRect(UIGraphicsContext& context, const CGRect&) override
    {
        for (const KeyboardKey& key : keyboardKeys(m_phonePad)) {
            context.fillRect(key.box, UIColor::whiteColor());
            const bool space = key.typed == " ";
            drawCentred(context, key.label, key.box,
                        UIFont::systemFontOfSize(space ? 14 : (m_phonePad ? 22 : 18)),
                        space ? UIColor::darkGrayColor() : UIColor::blackColor());
        }
    }

private:
    bool m_phonePad;
};

// Draws a view at its frame without taking it from wherever it is: the whole
// tree, or only the view's own content (alerts are drawn that way).
class Painter final : public UIView {
public:
    Painter(std::shared_ptr<UIView> view, const CGRect& frame, bool contentOnly)
        : UIView(frame), m_view(std::move(view)), m_contentOnly(contentOnly) {}
    void drawRect(UIGraphicsContext& context, const CGRect& rect) override
    {
        if (m_contentOnly)
            m_view->drawRect(context, rect);
        else
            m_view->drawHierarchy(context);
    }

private:
    std::shared_ptr<UIView> m_view;
    bool m_contentOnly;
};

} // namespace

std::vector<KeyboardKey> keyboardKeys(bool phonePad)
{
    const CGRect rect = CGRectMake(0, 0, UIApplication::keyboardFrame().size.width, UIApplication::keyboardFrame().size.height);
    std::vector<KeyboardKey> keys;
    if (phonePad) {
        static const std::array<const char*, 12> kKeys = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "*", "0", "#"};
        const double w = rect.size.width / 3;
        const double h = rect.size.height / 4;
        for (size_t i = 0; i < kKeys.size(); ++i)
            keys.push_back({CGRectMake(w * static_cast<double>(i % 3) + 1, h * static_cast<double>(i / 3) + 1, w - 2, h - 2),
                            kKeys[i], kKeys[i]});
        return keys;
    }
    static const std::array<const char*, 3> kRows = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const double keyWidth = rect.size.width / 10;
    for (size_t row = 0; row < kRows.size(); ++row) {
        const std::string letters = kRows[row];
        const double inset = (rect.size.width - keyWidth * static_cast<double>(letters.size())) / 2;
        for (size_t i = 0; i < letters.size(); ++i) {
            const std::string letter(1, letters[i]);
            keys.push_back({CGRectMake(inset + keyWidth * static_cast<double>(i) + 3, 10 + 54.0 * static_cast<double>(row), keyWidth - 6, 42),
                            letter, letter});
        }
    }
    keys.push_back({CGRectMake(rect.size.width / 4, 172, rect.size.width / 2, 38), "space", " "});
    return keys;
}

std::string keyboardKeyAt(CGPoint point, bool phonePad)
{
    const CGRect frame = UIApplication::keyboardFrame();
    const CGPoint inKeyboard = CGPointMake(point.x - frame.minX(), point.y - frame.minY());
    for (const KeyboardKey& key : keyboardKeys(phonePad))
        if (key.box.containsPoint(inKeyboard))
            return key.typed;
    return {};
}

std::vector<ScreenLayer> screenLayers(const ScreenPicture& screen)
{
    std::vector<ScreenLayer> layers;
    if (screen.window) {
        screen.window->layoutIfNeeded();
        layers.push_back({screen.window, UIScreen::bounds(), ScreenLayer::Kind::window});
    }
    layers.push_back({std::make_shared<StatusBarView>(screen.clock), CGRectMake(0, 0, UIScreen::width(), UIScreen::kStatusBarHeight),
                      ScreenLayer::Kind::statusBar});
    if (screen.keyboardVisible)
        layers.push_back({std::make_shared<KeyboardView>(screen.phonePad), UIApplication::keyboardFrame(), ScreenLayer::Kind::keyboard});
    if (!screen.alerts.empty()) {
        auto dim = std::make_shared<UIView>(UIScreen::bounds());
        dim->setBackgroundColor(UIColor::colorWithWhite(0, 0.45));
        layers.push_back({dim, UIScreen::bounds(), ScreenLayer::Kind::dim});
        for (const auto& alert : screen.alerts)
            layers.push_back({alert, alert->frame(), ScreenLayer::Kind::alert});
    }
    return layers;
}

RenderedImage renderScreen(const ScreenPicture& screen, double scale)
{
    auto canvas = std::make_shared<UIView>(UIScreen::bounds());
    canvas->setBackgroundColor(UIColor::blackColor());
    // Views that belong to a tree of their own (the window, the alerts) are
    // drawn through painters, so they stay where they are.
    for (const ScreenLayer& layer : screenLayers(screen))
        canvas->addSubview(std::make_shared<Painter>(layer.view, layer.frame, layer.kind == ScreenLayer::Kind::alert));
    RenderOptions options;
    options.scale = scale;
    options.margin = 0;
    options.minimumWidth = UIScreen::width();
    options.backdrop = false;
    return renderView(*canvas, options);
}
bool renderScreenToPng(const ScreenPicture& screen, const std::string& hostFile, double scale)
{
    return renderScreen(screen, scale).writePng(hostFile);
}

} // namespace host
