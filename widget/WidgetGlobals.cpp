#include "widget/WidgetGlobals.h"

namespace quorvel {

WidgetGlobals& widgetGlobals()
{
    static WidgetGlobals globals;
    return globals;
}

} // namespace quorvel
