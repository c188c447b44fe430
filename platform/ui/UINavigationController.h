// A stack of view controllers shown one at a time under a 44-point
// navigation bar: push to go deeper, pop to come back.
//
//   auto nav = UINavigationController::withRootViewController(root);
//   window->addSubview(nav->view());          // bar on top, the top screen below it
//   nav->pushViewController(codes, true);     // codes->viewWillAppear(true)
//   nav->popToViewController(codes.get(), true);
//
// Animation is instant (time in the simulation moves only when the device
// runs); the animated flag is passed on to the lifecycle calls. The stack's
// controllers are owned by it; a popped controller lives as long as someone
// else holds it. Pushing a controller already on the stack is refused.
// Single-threaded.
#pragma once

#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UIViewController.h"

#include <memory>
#include <vector>

namespace platform {


class UINavigationController : public UIViewController {
public:
    UINavigationController();
    ~UINavigationController() override;
    static std::shared_ptr<UINavigationController> withRootViewController(const std::shared_ptr<UIViewController>& root);

    static rt::Class* runtimeClass();

    void pushViewController(const std::shared_ptr<UIViewController>& controller, bool animated);
    // Pops the top controller; nullptr (and nothing popped) when only the root is left.
    std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
    // Pops every controller above `controller`; returns them, bottom first.
    // Nothing happens when it is not on the stack or already on top.
    std::vector<std::shared_ptr<UIViewController>> popToViewController(const UIViewController* controller, bool animated);
    std::vector<std::shared_ptr<UIViewController>> popToRootViewControllerAnimated(bool animated);

    // A copy of the stack, bottom (root) first.
    std::vector<std::shared_ptr<UIViewController>> viewControllers() const { return m_stack; }
    std::shared_ptr<UIViewController> topViewController() const;
    // The bar; loads the view.
    std::shared_ptr<UINavigationBar> navigationBar();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

private:
    void show(const std::shared_ptr<UIViewController>& from, const std::shared_ptr<UIViewController>& to, bool animated);
    void leave(const std::vector<std::shared_ptr<UIViewController>>& popped);

    std::vector<std::shared_ptr<UIViewController>> m_stack;
    std::shared_ptr<UINavigationBar> m_bar;
    std::shared_ptr<UIView> m_container;
};

} // namespace platform
