#include "host/common/render/LayoutMeasurer.h"

#include "platform/ui/UIGraphicsContext.h"
#include "host/common/render/CairoGraphicsContext.h"

namespace host {

void useRenderedTextForLayout()
{
    // Never destroyed: views laid out by a module unloaded at exit may still
    // ask for a width after static destructors have run.
    static CairoGraphicsContext* measurer = new CairoGraphicsContext();
    platform::setLayoutTextMeasurer(measurer);
}

} // namespace host
