// Colours as the platform's colour object gives them: RGBA components in 0..1,
// the named system colours, and grey levels.
//
//   view->setBackgroundColor(UIColor::colorWithWhite(0.7, 1.0));
//   label->setTextColor(UIColor::orangeColor());   // name() == "orange"
//
// A value type. Two colours are equal when their components are; the name only
// tells which named colour a value came from (for logs, expectations, pictures).
#pragma once

#include <optional>
#include <string>

namespace platform {

class UIColor {
public:
    constexpr UIColor() = default;
    static UIColor colorWithRed(double red, double green, double blue, double alpha);
    static UIColor colorWithWhite(double white, double alpha);

    static UIColor blackColor();
    static UIColor darkGrayColor();
    static UIColor lightGrayColor();
    static UIColor whiteColor();
    static UIColor grayColor();
    static UIColor redColor();
    static UIColor greenColor();
    static UIColor blueColor();
    static UIColor cyanColor();
    static UIColor yellowColor();
    static UIColor magentaColor();
    static UIColor orangeColor();
    static UIColor purpleColor();
    static UIColor brownColor();
    static UIColor clearColor();

    // The named colour of that name ("orange", "clear", ...), or nullopt.
    static std::optional<UIColor> named(const std::string& name);

    double red() const { return m_red; }
    double green() const { return m_green; }
    double blue() const { return m_blue; }
    double alpha() const { return m_alpha; }
    bool isClear() const { return m_alpha <= 0.0; }

    // "orange" for a named colour, empty for one made from components.
    const std::string& name() const { return m_name; }
    // The name when there is one, else "rgba(r, g, b, a)" with two decimals.
    std::string description() const;

    friend bool operator==(const UIColor& a, const UIColor& b)
    {
        return a.m_red == b.m_red && a.m_green == b.m_green && a.m_blue == b.m_blue && a.m_alpha == b.m_alpha;
    }

private:
    UIColor(double r, double g, double b, double a, std::string name);

    double m_red = 0, m_green = 0, m_blue = 0, m_alpha = 0;
    std::string m_name;
};

} // namespace platform
