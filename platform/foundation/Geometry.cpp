#include "platform/foundation/Geometry.h"

#include "platform/foundation/internal/TextFormat.h"

namespace platform {

std::string CGRect::description() const
{
    using internal::shortestReal;
    return "{{" + shortestReal(origin.x) + ", " + shortestReal(origin.y) + "}, {" + shortestReal(size.width) + ", " +
           shortestReal(size.height) + "}}";
}

} // namespace platform
