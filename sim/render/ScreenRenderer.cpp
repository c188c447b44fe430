#include "sim/render/ScreenRenderer.h"

#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIView.h"

#include <array>

namespace sim {

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
    void drawRect(UIGraphicsContext& context, const CGRect& rect) override
    {
        const UIFont font = UIFont::systemFontOfSize(m_phonePad ? 22 : 18);
        if (m_phonePad) {
            static const std::array<const char*, 12> kKeys = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "*", "0", "#"};
            const double w = rect.size.width / 3;
            const double h = rect.size.height / 4;
            for (size_t i = 0; i < kKeys.size(); ++i) {
                const CGRect key = CGRectMake(w * static_cast<double>(i % 3) + 1, h * static_cast<double>(i / 3) + 1, w - 2, h - 2);
                context.fillRect(key, UIColor::whiteColor());
                drawCentred(context, kKeys[i], key, font, UIColor::blackColor());
            }
            return;
        }
        static const std::array<const char*, 3> kRows = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
        const double keyWidth = rect.size.width / 10;
        for (size_t row = 0; row < kRows.size(); ++row) {
            const std::string letters = kRows[row];
            const double inset = (rect.size.width - keyWidth * static_cast<double>(letters.size())) / 2;
            for (size_t i = 0; i < letters.size(); ++i) {
                const CGRect key = CGRectMake(inset + keyWidth * static_cast<double>(i) + 3, 10 + 54.0 * static_cast<double>(row), keyWidth - 6, 42);
                context.fillRect(key, UIColor::whiteColor());
                drawCentred(context, std::string(1, letters[i]), key, font, UIColor::blackColor());
            }
        }
        const CGRect space = CGRectMake(rect.size.width / 4, 172, rect.size.width / 2, 38);
        context.fillRect(space, UIColor::whiteColor());
        drawCentred(context, "space", space, UIFont::systemFontOfSize(14), UIColor::darkGrayColor());
    }

private:
    bool m_phonePad;
};

} // namespace

host::RenderedImage renderScreen(const ScreenPicture& screen, double scale)
{
    auto canvas = std::make_shared<UIView>(UIScreen::bounds());
    canvas->setBackgroundColor(UIColor::blackColor());
    // The window's views stay where they are: the window is drawn through a
    // stand-in that paints it at its own place.
    class WindowPainter final : public UIView {
    public:
        explicit WindowPainter(std::shared_ptr<UIView> window) : UIView(UIScreen::bounds()), m_window(std::move(window)) {}
        void drawRect(UIGraphicsContext& context, const CGRect&) override
        {
            if (m_window)
                m_window->drawHierarchy(context);
        }

    private:
        std::shared_ptr<UIView> m_window;
    };
    if (screen.window)
        screen.window->layoutIfNeeded();
    canvas->addSubview(std::make_shared<WindowPainter>(screen.window));
    canvas->addSubview(std::make_shared<StatusBarView>(screen.clock));
    if (screen.keyboardVisible)
        canvas->addSubview(std::make_shared<KeyboardView>(screen.phonePad));
    if (!screen.alerts.empty()) {
        auto dim = std::make_shared<UIView>(UIScreen::bounds());
        dim->setBackgroundColor(UIColor::colorWithWhite(0, 0.45));
        canvas->addSubview(dim);
        for (const auto& alert : screen.alerts) {
            // Drawn at its frame without taking it from wherever it is.
            class AlertPainter final : public UIView {
            public:
                explicit AlertPainter(std::shared_ptr<UIAlertView> alert)
                    : UIView(alert->frame()), m_alert(std::move(alert)) {}
                void drawRect(UIGraphicsContext& context, const CGRect& rect) override { m_alert->drawRect(context, rect); }

            private:
                std::shared_ptr<UIAlertView> m_alert;
            };
            canvas->addSubview(std::make_shared<AlertPainter>(alert));
        }
    }
    host::RenderOptions options;
    options.scale = scale;
    options.margin = 0;
    options.minimumWidth = UIScreen::width();
    options.backdrop = false;
    return host::renderView(*canvas, options);
}

bool renderScreenToPng(const ScreenPicture& screen, const std::string& hostFile, double scale)
{
    return renderScreen(screen, scale).writePng(hostFile);
}

} // namespace sim
