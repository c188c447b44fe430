// Where quorveld keeps its device root unless told otherwise, for the daemon
// and for the commands that read its files without asking it.
#pragma once

#include <string>

namespace linuxhost {

// $XDG_STATE_HOME/quorvel (when it is an absolute path), else ~/.local/state/quorvel.
std::string defaultRoot();

} // namespace linuxhost
