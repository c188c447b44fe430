#include "widget/ColorTable.h"

#include <array>

namespace quorvel {

std::optional<platform::UIColor> colorFromTable(int64_t index)
{
    using platform::UIColor;
    using Maker = UIColor (*)();
    static constexpr std::array<Maker, kColorTableSize> kTable = {
        &UIColor::redColor,   &UIColor::blackColor, &UIColor::grayColor,   &UIColor::whiteColor,  &UIColor::greenColor,
        &UIColor::blueColor,  &UIColor::yellowColor, &UIColor::orangeColor, &UIColor::purpleColor, &UIColor::brownColor,
    };
    const auto unsignedIndex = static_cast<uint64_t>(index);
    if (unsignedIndex >= kTable.size())
        return std::nullopt;
    return kTable[unsignedIndex]();
}

} // namespace quorvel
