#include "platform/prefs/PSListItemsController.h"

#include "platform/prefs/PSListController.h"

namespace platform {

PSListItemsController::PSListItemsController(PSSpecifierRef specifier, const std::shared_ptr<PSListController>& list)
    : UITableViewController(UITableViewStyleGrouped, runtimeClass()), m_specifier(std::move(specifier)), m_list(list)
{
}

PSListItemsController::~PSListItemsController() = default;

rt::Class* PSListItemsController::runtimeClass()
{
    return rt::registerClass("PSListItemsController", UITableViewController::runtimeClass());
}

void PSListItemsController::viewDidLoad()
{
    setTitle(m_specifier ? m_specifier->label() : std::string());
}

int PSListItemsController::numberOfRowsInSection(UITableView&, int)
{
    return m_specifier ? static_cast<int>(m_specifier->validValues().size()) : 0;
}

std::shared_ptr<UITableViewCell> PSListItemsController::cellForRowAtIndexPath(UITableView&, const NSIndexPath& indexPath)
{
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string());
    const auto titles = m_specifier->validTitles();
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(titles.size()))
        return cell;
    cell->textLabel()->setText(titles[static_cast<size_t>(indexPath.row)]);
    auto list = m_list.lock();
    if (list && m_specifier->indexOfValue(list->readPreferenceValue(*m_specifier)) == indexPath.row)
        cell->setAccessoryType(UITableViewCellAccessoryCheckmark);
    return cell;
}

void PSListItemsController::didSelectRowAtIndexPath(UITableView& table, const NSIndexPath& indexPath)
{
    auto list = m_list.lock();
    const Array& values = m_specifier->validValues();
    if (!list || indexPath.row < 0 || indexPath.row >= static_cast<int>(values.size()))
        return;
    list->setValueByUser(*m_specifier, values[static_cast<size_t>(indexPath.row)]);
    table.reloadData();
}

} // namespace platform
