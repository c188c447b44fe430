// A view controller whose root view is a table, and which is that table's
// data source and delegate.
//
//   class CodeItemsTVC : public UITableViewController { int numberOfRowsInSection(...) override; ... };
//   auto screen = std::make_shared<CodeItemsTVC>();     // plain style
//
// The table reloads each time the screen is about to appear. Single-threaded.
#pragma once

#include "platform/ui/UITableView.h"
#include "platform/ui/UIViewController.h"

namespace platform {

class UITableViewController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    // initWithStyle:; the plain initialiser gives the plain style.
    explicit UITableViewController(UITableViewStyle style = UITableViewStylePlain);
    ~UITableViewController() override;

    static rt::Class* runtimeClass();

    // The table; loads the view.
    std::shared_ptr<UITableView> tableView();

    void loadView() override;
    void viewWillAppear(bool animated) override;

    int numberOfRowsInSection(UITableView& tableView, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath) override;

protected:
    UITableViewController(UITableViewStyle style, rt::Class* cls);

private:
    UITableViewStyle m_style;
    std::shared_ptr<UITableView> m_tableView;
};

} // namespace platform
