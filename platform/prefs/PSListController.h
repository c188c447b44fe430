// A preference page built from a specifier list: a grouped table with one
// section per group, whose value cells read and store their preference
// (key and domain) and whose button cells send their action to the target.
//
//   class MyList : public PSListController {
//       std::vector<PSSpecifierRef> specifiers() override {
//           if (!_specifiers) _specifiers = loadSpecifiersFromPlistName("MyBundle", selfAs<rt::Object>());
//           return *_specifiers;
//       }
//   };
//   list->setBundle(bundle);               // the host, so resources can be found
//   list->pushController(next, true);      // deeper page on the navigation stack
//
// Values are stored the way the platform writes preferences: the domain's
// file /var/mobile/Library/Preferences/<defaults>.plist is read, the one key
// changed, and the whole dictionary written back atomically as a binary
// property list; a specifier's "PostNotification" is then posted on the
// Darwin centre. Single-threaded.
#pragma once

#include "platform/foundation/Bundle.h"
#include "platform/prefs/PSSpecifier.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UIViewController.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

class PSListController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    ~PSListController() override;

    static rt::Class* runtimeClass();

    // The page's entries. The base answers what _specifiers holds (nothing
    // until a subclass loads it).
    virtual std::vector<PSSpecifierRef> specifiers();
    // Reads "<name>.plist" from the bundle; logs and answers nothing when it
    // is missing or unreadable. The list's "title" becomes the page title.
    std::vector<PSSpecifierRef> loadSpecifiersFromPlistName(const std::string& name, const rt::id& target);
    // The entry with that label, or nullptr.
    PSSpecifierRef specifierForLabel(const std::string& label);

    const std::optional<Bundle>& bundle() const { return m_bundle; }
    void setBundle(std::optional<Bundle> bundle) { m_bundle = std::move(bundle); }

    // pushController:animate: onto this page's navigation controller.
    void pushController(const std::shared_ptr<UIViewController>& controller, bool animate);

    // The stored value, or the specifier's default when nothing is stored.
    Value readPreferenceValue(const PSSpecifier& specifier) const;
    // Stores the value (read, change, write whole) and posts the
    // specifier's notification. False when the specifier stores nothing or
    // the write failed (logged).
    bool setPreferenceValue(const Value& value, const PSSpecifier& specifier);
    // The user picks a value for an entry: a choice of a list (by value),
    // true/false for a switch, any text for a text cell. False when the
    // value is not one the entry offers. The table shows the new value.
    bool setValueByUser(const PSSpecifier& specifier, const Value& value);
    // What the entry's row shows on the right.
    std::string displayValue(const PSSpecifier& specifier) const;

    std::shared_ptr<UITableView> tableView();
    void loadView() override;
    void viewWillAppear(bool animated) override;

    int numberOfSectionsInTableView(UITableView& tableView) override;
    int numberOfRowsInSection(UITableView& tableView, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath) override;
    std::string titleForHeaderInSection(UITableView& tableView, int section) override;
    std::string titleForFooterInSection(UITableView& tableView, int section) override;
    void didSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath) override;

    // The entry of a row, or nullptr.
    PSSpecifierRef specifierAtIndexPath(const NSIndexPath& indexPath);

protected:
    explicit PSListController(rt::Class* cls);

    // The loaded entries; empty until loaded, as the platform's field.
    std::optional<std::vector<PSSpecifierRef>> _specifiers;

private:
    friend void psSwitchChanged(rt::Object* self, rt::SEL, rt::Object* sender);
    struct Group {
        PSSpecifierRef header; // nullptr for entries before the first group
        std::vector<PSSpecifierRef> rows;
    };
    std::vector<Group> groups();

    std::optional<Bundle> m_bundle;
    std::shared_ptr<UITableView> m_table;
    std::vector<Group> m_shownGroups;
};

} // namespace platform
