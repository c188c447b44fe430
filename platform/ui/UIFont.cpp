#include "platform/ui/UIFont.h"

#include <cstdio>

namespace platform {

std::string UIFont::fontName() const
{
    switch (m_face) {
    case Face::system: return "System";
    case Face::boldSystem: return "System-Bold";
    }
    return "System";
}

std::string UIFont::description() const
{
    char size[32];
    std::snprintf(size, sizeof size, "%g", m_pointSize);
    return fontName() + " " + size;
}

} // namespace platform
