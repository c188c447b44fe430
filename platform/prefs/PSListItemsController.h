// The page of a list entry's choices: one row per choice, the stored one
// checked; tapping a row stores that choice through the list page.
//
//   auto items = std::make_shared<PSListItemsController>(specifier, listController);
//   list->pushController(items, true);
//
// The list page is held weakly. Single-threaded.
#pragma once

#include "platform/prefs/PSSpecifier.h"
#include "platform/ui/UITableViewController.h"

#include <memory>

namespace platform {

class PSListController;

class PSListItemsController : public UITableViewController {
public:
    PSListItemsController(PSSpecifierRef specifier, const std::shared_ptr<PSListController>& list);
    ~PSListItemsController() override;

    static rt::Class* runtimeClass();

    const PSSpecifierRef& specifier() const { return m_specifier; }

    void viewDidLoad() override;
    int numberOfRowsInSection(UITableView& tableView, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath) override;
    void didSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath) override;

private:
    PSSpecifierRef m_specifier;
    std::weak_ptr<PSListController> m_list;
};

} // namespace platform
