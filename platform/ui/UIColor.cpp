#include "platform/ui/UIColor.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace platform {

namespace {

double clampUnit(double v) { return std::clamp(v, 0.0, 1.0); }

} // namespace

UIColor::UIColor(double r, double g, double b, double a, std::string name)
    : m_red(clampUnit(r)), m_green(clampUnit(g)), m_blue(clampUnit(b)), m_alpha(clampUnit(a)), m_name(std::move(name))
{
}

UIColor UIColor::colorWithRed(double red, double green, double blue, double alpha)
{
    return UIColor(red, green, blue, alpha, {});
}

UIColor UIColor::colorWithWhite(double white, double alpha) { return UIColor(white, white, white, alpha, {}); }

UIColor UIColor::blackColor() { return UIColor(0, 0, 0, 1, "black"); }
UIColor UIColor::darkGrayColor() { return UIColor(1.0 / 3, 1.0 / 3, 1.0 / 3, 1, "darkGray"); }
UIColor UIColor::lightGrayColor() { return UIColor(2.0 / 3, 2.0 / 3, 2.0 / 3, 1, "lightGray"); }
UIColor UIColor::whiteColor() { return UIColor(1, 1, 1, 1, "white"); }
UIColor UIColor::grayColor() { return UIColor(0.5, 0.5, 0.5, 1, "gray"); }
UIColor UIColor::redColor() { return UIColor(1, 0, 0, 1, "red"); }
UIColor UIColor::greenColor() { return UIColor(0, 1, 0, 1, "green"); }
UIColor UIColor::blueColor() { return UIColor(0, 0, 1, 1, "blue"); }
UIColor UIColor::cyanColor() { return UIColor(0, 1, 1, 1, "cyan"); }
UIColor UIColor::yellowColor() { return UIColor(1, 1, 0, 1, "yellow"); }
UIColor UIColor::magentaColor() { return UIColor(1, 0, 1, 1, "magenta"); }
UIColor UIColor::orangeColor() { return UIColor(1, 0.5, 0, 1, "orange"); }
UIColor UIColor::purpleColor() { return UIColor(0.5, 0, 0.5, 1, "purple"); }
UIColor UIColor::brownColor() { return UIColor(0.6, 0.4, 0.2, 1, "brown"); }
UIColor UIColor::clearColor() { return UIColor(0, 0, 0, 0, "clear"); }

std::optional<UIColor> UIColor::named(const std::string& name)
{
    using Maker = UIColor (*)();
    static const std::array<Maker, 15> kNamed = {
        &blackColor, &darkGrayColor, &lightGrayColor, &whiteColor, &grayColor, &redColor, &greenColor, &blueColor,
        &cyanColor, &yellowColor, &magentaColor, &orangeColor, &purpleColor, &brownColor, &clearColor,
    };
    for (Maker make : kNamed) {
        UIColor c = make();
        if (c.name() == name)
            return c;
    }
    return std::nullopt;
}

std::string UIColor::description() const
{
    if (!m_name.empty())
        return m_name;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "rgba(%.2f, %.2f, %.2f, %.2f)", m_red, m_green, m_blue, m_alpha);
    return buffer;
}

} // namespace platform
