#include "host/common/touch/ScreenTouch.h"

#include "host/common/render/ScreenRenderer.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIScrollView.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIViewController.h"

#include <algorithm>

namespace host {

using namespace platform;

namespace {

TouchResult done() { return {}; }
TouchResult refused(std::string why) { return {false, std::move(why)}; }

TouchResult tapBar(const TouchTarget& target, UINavigationBar& bar, CGPoint inBar, UITextMeasurer& measurer)
{
    auto top = target.navigation ? target.navigation->topViewController() : nullptr;
    const auto button = bar.buttonAtPoint(inBar, measurer);
    if (button == UINavigationBar::BarButton::none || !top)
        return refused("no button there on the navigation bar");
    if (button == UINavigationBar::BarButton::back) {
        target.navigation->popViewControllerAnimated(true);
        return done();
    }
    auto item = button == UINavigationBar::BarButton::right ? top->navigationItem().rightBarButtonItem()
                                                             : top->navigationItem().leftBarButtonItem();
    if (!item->isEnabled())
        return refused("\"" + item->displayText() + "\" is disabled");
    item->tap();
    return done();
}

TouchResult selectCell(const std::shared_ptr<UITableViewCell>& cell)
{
    for (auto above = cell->superview(); above; above = above->superview()) {
        auto table = std::dynamic_pointer_cast<UITableView>(above);
        if (!table)
            continue;
        for (const auto& path : table->allIndexPaths())
            if (table->cellForRowAtIndexPath(path) == cell) {
                table->selectRowByUser(path);
                return done();
            }
    }
    return refused("the row belongs to no table");
}

} // namespace

TouchResult tapScreen(const TouchTarget& target, CGPoint point, UITextMeasurer& measurer)
{
    if (!target.window || !target.application)
        return refused("the application has no screen");
    if (!UIScreen::bounds().containsPoint(point))
        return refused("the point is off the screen");
    // An alert is modal: only its buttons take taps.
    if (auto alert = target.application->topAlert()) {
        const CGRect frame = alert->frame();
        const int index = alert->buttonIndexAtPoint(CGPointMake(point.x - frame.minX(), point.y - frame.minY()));
        if (index < 0)
            return refused("the alert \"" + alert->title() + "\" is on screen");
        alert->dismissWithClickedButtonIndex(index, true);
        return done();
    }
    if (target.application->isKeyboardVisible() && UIApplication::keyboardFrame().containsPoint(point)) {
        auto field = std::dynamic_pointer_cast<UITextField>(target.application->firstResponder());
        const std::string key = keyboardKeyAt(point, field && field->keyboardType() == UIKeyboardTypePhonePad);
        if (key.empty() || !field)
            return refused("no key there");
        field->insertText(key);
        return done();
    }
    // The deepest view under the finger, then its superviews, until one takes the tap.
    for (auto view = target.window->hitTest(point); view; view = view->superview()) {
        if (auto bar = std::dynamic_pointer_cast<UINavigationBar>(view))
            return tapBar(target, *bar, view->convertPointFromView(point, target.window.get()), measurer);
        if (auto toggle = std::dynamic_pointer_cast<UISwitch>(view))
            return toggle->setOnByUser(!toggle->isOn()) ? done() : refused("the switch is disabled");
        if (auto field = std::dynamic_pointer_cast<UITextField>(view))
            return field->becomeFirstResponder() ? done() : refused("the text field cannot be edited");
        if (!view->gestureRecognizers().empty() && deliverTap(target.window, point))
            return done();
        if (auto cell = std::dynamic_pointer_cast<UITableViewCell>(view))
            return selectCell(cell);
    }
    return refused("nothing there takes a tap");
}

TouchResult scrollScreen(const TouchTarget& target, CGPoint point, double dy)
{
    if (!target.window || !target.application)
        return refused("the application has no screen");
    if (target.application->topAlert())
        return refused("an alert is on screen");
    for (auto view = target.window->hitTest(point); view; view = view->superview()) {
        auto scroll = std::dynamic_pointer_cast<UIScrollView>(view);
        if (!scroll || !scroll->isScrollEnabled())
            continue;
        const UIEdgeInsets inset = scroll->contentInset();
        const double top = -inset.top;
        const double bottom = std::max(top, scroll->contentSize().height + inset.bottom - scroll->bounds().size.height);
        if (bottom <= top)
            continue;
        const CGPoint offset = scroll->contentOffset();
        scroll->setContentOffset(CGPointMake(offset.x, std::clamp(offset.y + dy, top, bottom)));
        return done();
    }
    return refused("nothing there scrolls");
}

} // namespace host
