// A screen's controller: owns its root view, loaded on first access, and is
// told when the screen is about to appear or has gone.
//
//   class CodesViewController : public UIViewController { void viewWillAppear(bool) override; ... };
//   auto vc = std::make_shared<CodesViewController>();
//   vc->view();                  // loadView, then viewDidLoad, once
//   nav->pushViewController(vc, true);
//
// Lifecycle, as the platform calls it: view() loads the view (loadView, then
// viewDidLoad) the first time it is asked for; a navigation controller calls
// viewWillAppear:/viewDidAppear: on the controller that becomes the top of its
// stack and viewWillDisappear:/viewDidDisappear: on the one that stops being
// it, and didMoveToParentViewController(nullptr) when it leaves the stack.
// Controllers are runtime objects held by std::shared_ptr; the navigation
// controller is known weakly. Single-threaded.
#pragma once

#include "platform/runtime/Runtime.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIView.h"

#include <memory>
#include <string>

namespace platform {

class UINavigationController;

class UIViewController : public rt::Object {
public:
    UIViewController();
    ~UIViewController() override;

    static rt::Class* runtimeClass();

    // The root view, loaded on the first call.
    std::shared_ptr<UIView> view();
    bool isViewLoaded() const { return m_view != nullptr; }
    void setView(std::shared_ptr<UIView> view) { m_view = std::move(view); }

    // Makes the root view: by default a plain view the size of the
    // application frame (320 x 460) at the origin.
    virtual void loadView();
    virtual void viewDidLoad();
    virtual void viewWillAppear(bool animated);
    virtual void viewDidAppear(bool animated);
    virtual void viewWillDisappear(bool animated);
    virtual void viewDidDisappear(bool animated);
    virtual void didReceiveMemoryWarning();
    // Called with the new parent after the controller joined a navigation
    // stack, and with nullptr after it left it.
    virtual void didMoveToParentViewController(UIViewController* parent);

    // The title; setting it sets the navigation item's title too.
    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    UINavigationItem& navigationItem() { return m_navigationItem; }
    const UINavigationItem& navigationItem() const { return m_navigationItem; }
    // The navigation controller whose stack holds this controller, or nullptr.
    std::shared_ptr<UINavigationController> navigationController() const { return m_navigationController.lock(); }

    // This controller as one of its interfaces (a delegate, a data source);
    // nullptr when it is not one or no shared_ptr owns it.
    template <class T>
    std::shared_ptr<T> selfAs()
    {
        return std::dynamic_pointer_cast<T>(weak_from_this().lock());
    }

protected:
    explicit UIViewController(rt::Class* cls);

private:
    friend class UINavigationController;
    std::shared_ptr<UIView> m_view;
    std::string m_title;
    UINavigationItem m_navigationItem;
    std::weak_ptr<UINavigationController> m_navigationController;
    bool m_loading = false;
};

} // namespace platform
