#include "platform/prefs/PSListController.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/prefs/PSListItemsController.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UISwitch.h"

namespace platform {

namespace {

constexpr const char* kSwitchChanged = "psSwitchChanged:";
// Switches carry the row's position in the page's entries, from this tag on.
constexpr int kSwitchTagBase = 1000;

} // namespace

// The action of every switch cell: stores the switch's new position.
void psSwitchChanged(rt::Object* self, rt::SEL, rt::Object* sender)
{
    auto* list = dynamic_cast<PSListController*>(self);
    auto* control = dynamic_cast<UISwitch*>(sender);
    if (!list || !control)
        return;
    const auto all = list->specifiers();
    const int index = control->tag() - kSwitchTagBase;
    if (index < 0 || index >= static_cast<int>(all.size()))
        return;
    list->setPreferenceValue(Value(control->isOn()), *all[static_cast<size_t>(index)]);
}

PSListController::PSListController(rt::Class* cls) : UIViewController(cls) {}

PSListController::~PSListController() = default;

rt::Class* PSListController::runtimeClass()
{
    rt::Class* cls = rt::registerClass("PSListController", UIViewController::runtimeClass());
    if (!cls->ownMethod(kSwitchChanged))
        cls->setMethod(kSwitchChanged, rt::IMP::of(&psSwitchChanged));
    return cls;
}

std::vector<PSSpecifierRef> PSListController::specifiers()
{
    return _specifiers ? *_specifiers : std::vector<PSSpecifierRef>{};
}

std::vector<PSSpecifierRef> PSListController::loadSpecifiersFromPlistName(const std::string& name, const rt::id& target)
{
    const std::string path = m_bundle ? m_bundle->pathForResource(name, "plist") : std::string();
    if (path.empty()) {
        QLog("Preferences: no specifier list %@.plist in %@", name, m_bundle ? m_bundle->bundlePath() : std::string("(no bundle)"));
        return {};
    }
    const Dict plist = readDictionary(path);
    if (auto title = plist.find("title"); title != plist.end() && title->second.string())
        setTitle(*title->second.string());
    return PSSpecifier::specifiersFromPlist(plist, target);
}

PSSpecifierRef PSListController::specifierForLabel(const std::string& label)
{
    for (const auto& entry : specifiers())
        if (entry->label() == label)
            return entry;
    return nullptr;
}

void PSListController::pushController(const std::shared_ptr<UIViewController>& controller, bool animate)
{
    if (auto nav = navigationController())
        nav->pushViewController(controller, animate);
    else
        QLog("Preferences: cannot push a page: the list is on no navigation stack");
}

Value PSListController::readPreferenceValue(const PSSpecifier& specifier) const
{
    if (!specifier.storesValue())
        return specifier.defaultValue();
    const Dict stored = readDictionary(preferencesPathForDomain(specifier.defaults()));
    auto it = stored.find(specifier.key());
    return it == stored.end() ? specifier.defaultValue() : it->second;
}

bool PSListController::setPreferenceValue(const Value& value, const PSSpecifier& specifier)
{
    if (!specifier.storesValue())
        return false;
    const std::string path = preferencesPathForDomain(specifier.defaults());
    Dict stored = readDictionary(path);
    stored[specifier.key()] = value;
    if (!writeDictionaryAtomically(path, stored, true)) {
        QLog("Preferences: cannot write %@", path);
        return false;
    }
    if (const std::string name = specifier.postNotification(); !name.empty())
        CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr, nullptr, true);
    return true;
}

bool PSListController::setValueByUser(const PSSpecifier& specifier, const Value& value)
{
    Value stored;
    switch (specifier.cellType()) {
    case PSCellType::linkList: {
        const int index = specifier.indexOfValue(value);
        if (index < 0) {
            // A choice may also be named by its title.
            const auto titles = specifier.validTitles();
            for (size_t i = 0; i < titles.size(); ++i)
                if (value.string() && titles[i] == *value.string())
                    stored = specifier.validValues()[i];
            if (stored.isNone())
                return false;
        } else {
            stored = specifier.validValues()[static_cast<size_t>(index)];
        }
        break;
    }
    case PSCellType::switchCell:
        if (value.type() != Value::Type::Boolean)
            return false;
        stored = value;
        break;
    case PSCellType::editText:
        stored = value.string() ? value : Value(value.description());
        break;
    default:
        return false;
    }
    if (!setPreferenceValue(stored, specifier))
        return false;
    if (m_table)
        m_table->reloadData();
    return true;
}

std::string PSListController::displayValue(const PSSpecifier& specifier) const
{
    switch (specifier.cellType()) {
    case PSCellType::linkList:
        return specifier.titleForValue(readPreferenceValue(specifier));
    case PSCellType::editText:
    case PSCellType::titleValue: {
        const Value v = readPreferenceValue(specifier);
        return v.isNone() ? std::string() : v.description();
    }
    case PSCellType::switchCell:
        return readPreferenceValue(specifier).boolValue() ? "ON" : "OFF";
    default:
        return {};
    }
}

std::shared_ptr<UITableView> PSListController::tableView()
{
    view();
    return m_table;
}

void PSListController::loadView()
{
    m_table = std::make_shared<UITableView>(CGRectMake(0, 0, UIScreen::width(), UIScreen::applicationFrame().size.height),
                                            UITableViewStyleGrouped);
    m_table->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_table->setDataSource(selfAs<UITableViewDataSource>());
    m_table->setDelegate(selfAs<UITableViewDelegate>());
    setView(m_table);
}

void PSListController::viewWillAppear(bool)
{
    tableView()->reloadData();
}

std::vector<PSListController::Group> PSListController::groups()
{
    std::vector<Group> out;
    for (const auto& entry : specifiers()) {
        if (entry->cellType() == PSCellType::group) {
            out.push_back(Group{entry, {}});
            continue;
        }
        if (out.empty())
            out.push_back(Group{});
        out.back().rows.push_back(entry);
    }
    return out;
}

int PSListController::numberOfSectionsInTableView(UITableView&)
{
    m_shownGroups = groups();
    return static_cast<int>(m_shownGroups.size());
}

int PSListController::numberOfRowsInSection(UITableView&, int section)
{
    if (section < 0 || section >= static_cast<int>(m_shownGroups.size()))
        return 0;
    return static_cast<int>(m_shownGroups[static_cast<size_t>(section)].rows.size());
}

PSSpecifierRef PSListController::specifierAtIndexPath(const NSIndexPath& indexPath)
{
    if (indexPath.section < 0 || indexPath.section >= static_cast<int>(m_shownGroups.size()))
        return nullptr;
    const auto& rows = m_shownGroups[static_cast<size_t>(indexPath.section)].rows;
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(rows.size()))
        return nullptr;
    return rows[static_cast<size_t>(indexPath.row)];
}

std::shared_ptr<UITableViewCell> PSListController::cellForRowAtIndexPath(UITableView&, const NSIndexPath& indexPath)
{
    auto entry = specifierAtIndexPath(indexPath);
    if (!entry)
        return nullptr;
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, std::string());
    cell->textLabel()->setText(entry->label());
    switch (entry->cellType()) {
    case PSCellType::switchCell: {
        auto sw = std::make_shared<UISwitch>(CGRectMake(0, 0, 79, 27));
        sw->setOn(readPreferenceValue(*entry).boolValue());
        const auto all = specifiers();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i] == entry)
                sw->setTag(kSwitchTagBase + static_cast<int>(i));
        sw->addTarget(weak_from_this().lock(), kSwitchChanged, UIControlEventValueChanged);
        cell->setAccessoryView(sw);
        break;
    }
    case PSCellType::linkList:
    case PSCellType::link:
        cell->detailTextLabel()->setText(displayValue(*entry));
        cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
        break;
    case PSCellType::button:
        cell->setCentersText(true);
        break;
    case PSCellType::editText:
    case PSCellType::titleValue:
        cell->detailTextLabel()->setText(displayValue(*entry));
        break;
    default:
        break;
    }
    return cell;
}

std::string PSListController::titleForHeaderInSection(UITableView&, int section)
{
    if (section < 0 || section >= static_cast<int>(m_shownGroups.size()))
        return {};
    const auto& header = m_shownGroups[static_cast<size_t>(section)].header;
    return header ? header->label() : std::string();
}

std::string PSListController::titleForFooterInSection(UITableView&, int section)
{
    if (section < 0 || section >= static_cast<int>(m_shownGroups.size()))
        return {};
    const auto& header = m_shownGroups[static_cast<size_t>(section)].header;
    return header ? header->footerText() : std::string();
}

void PSListController::didSelectRowAtIndexPath(UITableView&, const NSIndexPath& indexPath)
{
    auto entry = specifierAtIndexPath(indexPath);
    if (!entry)
        return;
    switch (entry->cellType()) {
    case PSCellType::button: {
        rt::id target = entry->target();
        if (!sendAction(target.get(), entry->action(), entry.get()))
            QLog("Preferences: nobody answers %@", entry->action());
        break;
    }
    case PSCellType::linkList:
        pushController(std::make_shared<PSListItemsController>(entry, selfAs<PSListController>()), true);
        break;
    case PSCellType::link: {
        rt::Class* cls = rt::objc_getClass(entry->detailClassName().c_str());
        auto page = std::dynamic_pointer_cast<UIViewController>(cls ? cls->createInstance() : nullptr);
        if (page)
            pushController(page, true);
        else
            QLog("Preferences: no page class %@", entry->detailClassName());
        break;
    }
    default:
        break;
    }
}

} // namespace platform
