#include "settings/CodesViewController.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UINavigationController.h"
#include "settings/CodeItemsTVC.h"
#include "settings/NewCommandVC.h"
#include "settings/RuntimeClasses.h"

namespace quorvel {

using namespace platform;

namespace {

std::vector<BundleSelector> selectors()
{
    return {
        {"loadItems", selector<CodesViewController, &CodesViewController::loadItems>()},
        {"openNewItemVC", selector<CodesViewController, &CodesViewController::openNewItemVC>()},
    };
}

// The record of a row; None when the row is outside the list.
Value recordAt(const std::optional<Array>& items, int row)
{
    if (!items || row < 0 || static_cast<size_t>(row) >= items->size())
        return Value();
    return (*items)[static_cast<size_t>(row)];
}

} // namespace

rt::Class* CodesViewController::runtimeClass()
{
    return registerBundleClass(kClassName, UIViewController::runtimeClass(),
                               [] { return rt::id(std::make_shared<CodesViewController>()); }, selectors());
}

void CodesViewController::unregisterRuntimeClass() { withdrawBundleClass(kClassName, selectors()); }

CodesViewController::CodesViewController() : UIViewController(runtimeClass()) {}

CodesViewController::~CodesViewController() = default;

void CodesViewController::viewWillAppear(bool)
{
    auto root = view();
    root->setBackgroundColor(UIColor::clearColor());
    // A new table at each appearance, over the earlier one; tableView names the newest.
    auto table = std::make_shared<UITableView>(root->bounds(), UITableViewStylePlain);
    table->setDelegate(selfAs<UITableViewDelegate>());
    table->setDataSource(selfAs<UITableViewDataSource>());
    table->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    root->addSubview(table);
    tableView = table;
    navigationItem().setRightBarButtonItem(
        UIBarButtonItem::systemItem(UIBarButtonSystemItemAdd, weak_from_this().lock(), "openNewItemVC"));
    navigationItem().setTitle("USSD Codes");
    loadItems();
}

void CodesViewController::loadItems()
{
    items.reset();
    if (const auto store = readDictionaryIfPresent(kCodesStorePath)) {
        auto codes = store->find(kCodesKey);
        if (codes != store->end() && codes->second.array())
            items = *codes->second.array();
    }
    QLog("Qvl: number of stored codes: %u", static_cast<unsigned>(items ? items->size() : 0));
    if (tableView)
        tableView->reloadData();
}

void CodesViewController::openNewItemVC()
{
    if (auto nav = navigationController())
        nav->pushViewController(std::make_shared<NewCommandVC>(), true);
}

void CodesViewController::deleteItemAtIndex(unsigned index)
{
    QLog("Qvlb: deleting item at index %u", index);
    Array remaining = items ? *items : Array{};
    // A row that is no longer in the list (the store changed under it) deletes nothing.
    if (index >= remaining.size())
        return;
    remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(index));
    writeDictionaryAtomically(kCodesStorePath, Dict{{kCodesKey, remaining}});
}

int CodesViewController::numberOfRowsInSection(UITableView&, int)
{
    return items ? static_cast<int>(items->size()) : 0;
}

std::shared_ptr<UITableViewCell> CodesViewController::cellForRowAtIndexPath(UITableView& table, const NSIndexPath& indexPath)
{
    auto cell = table.dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell)
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, kCellIdentifier);
    const Value record = recordAt(items, indexPath.row);
    const Value& command = record[kUssdCodeKey];
    cell->textLabel()->setText(command.isNone() ? std::string() : command.description());
    const size_t fields = record[kFieldsKey].array() ? record[kFieldsKey].count() : 0;
    cell->detailTextLabel()->setText(std::to_string(fields) + " field" + (fields == 1 ? "" : "s"));
    return cell;
}

bool CodesViewController::canEditRowAtIndexPath(UITableView&, const NSIndexPath&) { return true; }

bool CodesViewController::canMoveRowAtIndexPath(UITableView&, const NSIndexPath&) { return false; }

UITableViewCellEditingStyle CodesViewController::editingStyleForRowAtIndexPath(UITableView&, const NSIndexPath&)
{
    return UITableViewCellEditingStyleDelete;
}

int CodesViewController::indentationLevelForRowAtIndexPath(UITableView&, const NSIndexPath&) { return 0; }

void CodesViewController::commitEditingStyle(UITableView&, UITableViewCellEditingStyle style, const NSIndexPath& indexPath)
{
    if (style != UITableViewCellEditingStyleDelete)
        return;
    deleteItemAtIndex(static_cast<unsigned>(indexPath.row));
    loadItems();
}

void CodesViewController::didSelectRowAtIndexPath(UITableView&, const NSIndexPath& indexPath)
{
    auto screen = std::make_shared<CodeItemsTVC>();
    screen->code = recordAt(items, indexPath.row);
    if (auto nav = navigationController())
        nav->pushViewController(screen, true);
}

} // namespace quorvel
