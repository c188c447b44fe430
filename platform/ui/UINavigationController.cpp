#include "platform/ui/UINavigationController.h"

#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UIScreen.h"

#include <algorithm>

namespace platform {

UINavigationController::UINavigationController() : UIViewController(runtimeClass()) {}

UINavigationController::~UINavigationController() = default;

std::shared_ptr<UINavigationController>
UINavigationController::withRootViewController(const std::shared_ptr<UIViewController>& root)
{
    auto nav = std::make_shared<UINavigationController>();
    nav->pushViewController(root, false);
    return nav;
}

rt::Class* UINavigationController::runtimeClass()
{
    return rt::registerClass("UINavigationController", UIViewController::runtimeClass());
}

void UINavigationController::loadView()
{
    const CGRect frame = CGRectMake(0, 0, UIScreen::width(), UIScreen::applicationFrame().size.height);
    auto root = std::make_shared<UIView>(frame);
    root->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_container = std::make_shared<UIView>(
        CGRectMake(0, UIScreen::kNavigationBarHeight, frame.size.width, frame.size.height - UIScreen::kNavigationBarHeight));
    m_container->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_container->setClipsToBounds(true);
    root->addSubview(m_container);
    m_bar = std::make_shared<UINavigationBar>(CGRectMake(0, 0, frame.size.width, UIScreen::kNavigationBarHeight));
    m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    m_bar->setNavigationController(selfAs<UINavigationController>());
    root->addSubview(m_bar);
    setView(root);
    // The root controller pushed before the view existed goes on screen now.
    if (auto top = topViewController()) {
        auto content = top->view();
        content->setFrame(CGRect{{0, 0}, m_container->frame().size});
        m_container->addSubview(content);
    }
}

std::shared_ptr<UINavigationBar> UINavigationController::navigationBar()
{
    view();
    return m_bar;
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const
{
    return m_stack.empty() ? nullptr : m_stack.back();
}

void UINavigationController::viewWillAppear(bool animated)
{
    if (auto top = topViewController())
        top->viewWillAppear(animated);
}

void UINavigationController::viewDidAppear(bool animated)
{
    if (auto top = topViewController())
        top->viewDidAppear(animated);
}

void UINavigationController::show(const std::shared_ptr<UIViewController>& from, const std::shared_ptr<UIViewController>& to,
                                  bool animated)
{
    if (!isViewLoaded())
        return;
    if (from)
        from->viewWillDisappear(animated);
    auto content = to->view();
    content->setFrame(CGRect{{0, 0}, m_container->frame().size});
    to->viewWillAppear(animated);
    if (from && from->isViewLoaded() && from != to) {
        // A field still being edited on the screen that goes ends its editing
        // (the keyboard goes down with it).
        auto responder = UIApplication::sharedApplication().firstResponder();
        if (responder && responder->isDescendantOfView(from->view().get()))
            if (auto* editable = dynamic_cast<UIFirstResponder*>(responder.get()))
                editable->resignFirstResponder();
        from->view()->removeFromSuperview();
    }
    m_container->addSubview(content);
    if (from)
        from->viewDidDisappear(animated);
    to->viewDidAppear(animated);
}

void UINavigationController::leave(const std::vector<std::shared_ptr<UIViewController>>& popped)
{
    for (const auto& controller : popped) {
        controller->m_navigationController.reset();
        controller->didMoveToParentViewController(nullptr);
    }
}

void UINavigationController::pushViewController(const std::shared_ptr<UIViewController>& controller, bool animated)
{
    if (!controller || controller.get() == this || std::find(m_stack.begin(), m_stack.end(), controller) != m_stack.end())
        return;
    auto from = topViewController();
    controller->m_navigationController = selfAs<UINavigationController>();
    m_stack.push_back(controller);
    controller->didMoveToParentViewController(this);
    show(from, controller, animated);
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return nullptr;
    auto popped = m_stack.back();
    m_stack.pop_back();
    show(popped, m_stack.back(), animated);
    leave({popped});
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToViewController(const UIViewController* controller,
                                                                                           bool animated)
{
    auto it = std::find_if(m_stack.begin(), m_stack.end(), [&](const auto& c) { return c.get() == controller; });
    if (it == m_stack.end() || it + 1 == m_stack.end())
        return {};
    std::vector<std::shared_ptr<UIViewController>> popped(it + 1, m_stack.end());
    m_stack.erase(it + 1, m_stack.end());
    show(popped.back(), m_stack.back(), animated);
    leave(popped);
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (m_stack.empty())
        return {};
    return popToViewController(m_stack.front().get(), animated);
}

} // namespace platform
