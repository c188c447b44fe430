// The Notification Center widget host protocol. A widget bundle's principal
// class implements it; the host creates the class by name through the runtime
// and drives it on its main thread:
//
//   init -> loadPlaceholderView -> view() -> loadFullView (shown) -> ... -> unloadView (hidden)
//
//   auto obj = rt::objc_getClass("QuorvelController")->createInstance();
//   auto* widget = dynamic_cast<BBWeeAppController*>(obj.get());
//
// Only view() is required. The optional operations default to doing nothing,
// and viewHeight to kBBWeeAppDefaultViewHeight; a host asks
// implementsViewHeight() to tell a chosen height from the default.
#pragma once

#include <memory>

namespace platform {

class UIView;

inline constexpr float kBBWeeAppDefaultViewHeight = 60.0f;

class BBWeeAppController {
public:
    virtual ~BBWeeAppController();

    // The widget's root view; nullptr while it has none.
    virtual std::shared_ptr<UIView> view() = 0;

    // Builds a light view to show while the widget is not on screen.
    virtual void loadPlaceholderView();
    // Fills the view when the widget is about to be shown.
    virtual void loadFullView();
    // Lets the view go when the widget is no longer shown.
    virtual void unloadView();
    // Height, in points, at which the host shows view().
    virtual float viewHeight();
    virtual bool implementsViewHeight() const;
};

} // namespace platform
