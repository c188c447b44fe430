// Which strings the daemon hands to the modem: only dial strings made of the
// digits and * # +, as a USSD code is ("*100#", "*102*1#", "+..."). Anything
// else (a letter, a blank, a control character, nothing) is refused before it
// reaches ModemManager, so no text of a store can make the modem do more.
#pragma once

#include <string_view>

namespace linuxhost {

bool isDialableUssd(std::string_view text);

} // namespace linuxhost
