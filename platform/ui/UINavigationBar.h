// The 44-point bar at the top of a navigation controller: the top screen's
// title in the middle, a back button named after the screen below (when
// there is one) on the left, and the top screen's right-hand button.
//
// The bar reads its navigation controller's stack whenever it is drawn or
// asked, so a title set after a push shows at once. Single-threaded.
#pragma once

#include "platform/ui/UIView.h"

#include <memory>
#include <string>

namespace platform {

class UIBarButtonItem;
class UINavigationController;
class UITextMeasurer;

class UINavigationBar : public UIView {
public:
    explicit UINavigationBar(const CGRect& frame = {});
    ~UINavigationBar() override;

    static rt::Class* runtimeClass();

    void setNavigationController(const std::shared_ptr<UINavigationController>& controller) { m_controller = controller; }

    // The top screen's title; empty without one.
    std::string title() const;
    // The back button's text ("Back" when the screen below has no title), or
    // empty when the top screen is the root.
    std::string backButtonTitle() const;
    std::shared_ptr<UIBarButtonItem> rightItem() const;
    std::shared_ptr<UIBarButtonItem> leftItem() const;

    // Which button lies under a point of the bar's own coordinates, as
    // drawRect lays them out with text measured by `measurer`.
    enum class BarButton { none, back, left, right };
    BarButton buttonAtPoint(CGPoint point, UITextMeasurer& measurer) const;

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    std::weak_ptr<UINavigationController> m_controller;
};

} // namespace platform
