#include "platform/ui/UIViewController.h"

#include "platform/ui/UIScreen.h"

namespace platform {

UIViewController::UIViewController() : UIViewController(runtimeClass()) {}

UIViewController::UIViewController(rt::Class* cls) : rt::Object(cls) {}

UIViewController::~UIViewController() = default;

rt::Class* UIViewController::runtimeClass() { return rt::registerClass("UIViewController"); }

std::shared_ptr<UIView> UIViewController::view()
{
    // A view asked for while it is being loaded (viewDidLoad reading its own
    // view) is the one loadView made.
    if (!m_view && !m_loading) {
        m_loading = true;
        loadView();
        if (!m_view)
            m_view = std::make_shared<UIView>(CGRectMake(0, 0, UIScreen::width(), UIScreen::applicationFrame().size.height));
        viewDidLoad();
        m_loading = false;
    }
    return m_view;
}

void UIViewController::loadView()
{
    m_view = std::make_shared<UIView>(CGRectMake(0, 0, UIScreen::width(), UIScreen::applicationFrame().size.height));
}

void UIViewController::viewDidLoad() {}
void UIViewController::viewWillAppear(bool) {}
void UIViewController::viewDidAppear(bool) {}
void UIViewController::viewWillDisappear(bool) {}
void UIViewController::viewDidDisappear(bool) {}
void UIViewController::didReceiveMemoryWarning() {}
void UIViewController::didMoveToParentViewController(UIViewController*) {}

void UIViewController::setTitle(std::string title)
{
    m_navigationItem.setTitle(title);
    m_title = std::move(title);
}

} // namespace platform
