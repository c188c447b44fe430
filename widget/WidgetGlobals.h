// The widget's process-wide values: one set for the whole bundle, as the
// controller's class keeps them. Each loaded copy of the bundle has its own.
#pragma once

#include "platform/foundation/Bundle.h"
#include "platform/ui/UIColor.h"

#include <optional>

namespace quorvel {

struct WidgetGlobals {
    // Set by loadPlaceholderView: the hardware model begins with "iPad".
    bool isIpad = false;
    // Set by loadPreferences.
    bool showGridlines = false;
    platform::UIColor titleColor = platform::UIColor::orangeColor();
    platform::UIColor valueColor = platform::UIColor::whiteColor();
    // The settings store's codesFollowSim (SimNotIn.h).
    bool codesFollowSim = false;
    // Cached at class initialisation: the bundle that holds the controller.
    std::optional<platform::Bundle> widgetBundle;
    bool classInitialised = false;
};

WidgetGlobals& widgetGlobals();

} // namespace quorvel
