#include "platform/ui/UITableViewController.h"

#include "platform/ui/UIScreen.h"

namespace platform {

UITableViewController::UITableViewController(UITableViewStyle style) : UITableViewController(style, runtimeClass()) {}

UITableViewController::UITableViewController(UITableViewStyle style, rt::Class* cls)
    : UIViewController(cls), m_style(style)
{
}

UITableViewController::~UITableViewController() = default;

rt::Class* UITableViewController::runtimeClass()
{
    return rt::registerClass("UITableViewController", UIViewController::runtimeClass());
}

std::shared_ptr<UITableView> UITableViewController::tableView()
{
    view();
    return m_tableView;
}

void UITableViewController::loadView()
{
    m_tableView = std::make_shared<UITableView>(
        CGRectMake(0, 0, UIScreen::width(), UIScreen::applicationFrame().size.height), m_style);
    m_tableView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_tableView->setDataSource(selfAs<UITableViewDataSource>());
    m_tableView->setDelegate(selfAs<UITableViewDelegate>());
    setView(m_tableView);
}

void UITableViewController::viewWillAppear(bool)
{
    tableView()->reloadData();
}

int UITableViewController::numberOfRowsInSection(UITableView&, int) { return 0; }

std::shared_ptr<UITableViewCell> UITableViewController::cellForRowAtIndexPath(UITableView&, const NSIndexPath&)
{
    return nullptr;
}

} // namespace platform
