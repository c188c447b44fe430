#include "platform/ui/UIGraphicsContext.h"

namespace platform {

namespace {

// constinit: a module may lay views out from its load entry.
constinit UITextMeasurer* g_layoutMeasurer = nullptr;

} // namespace

// Out of line so the vtable and type information live in the platform library,
// which the simulator and every loaded module share.
UITextMeasurer::~UITextMeasurer() = default;

void setLayoutTextMeasurer(UITextMeasurer* measurer)
{
    g_layoutMeasurer = measurer;
}

UITextMeasurer* layoutTextMeasurer()
{
    return g_layoutMeasurer;
}

} // namespace platform
