#include "host/linux/client/DaemonRoot.h"

#include <cstdlib>

namespace linuxhost {

std::string defaultRoot()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/quorvel";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/quorvel";
}

} // namespace linuxhost
