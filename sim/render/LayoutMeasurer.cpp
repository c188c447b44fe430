#include "sim/render/LayoutMeasurer.h"

#include "platform/ui/UIGraphicsContext.h"
#include "sim/render/CairoGraphicsContext.h"

namespace sim {

void useRenderedTextForLayout()
{
    // Never destroyed: views laid out by a module unloaded at exit may still
    // ask for a width after static destructors have run.
    static CairoGraphicsContext* measurer = new CairoGraphicsContext();
    platform::setLayoutTextMeasurer(measurer);
}

} // namespace sim
