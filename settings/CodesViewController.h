// The list of stored codes: one row per code record of the codes store
// (its command and how many fields it keeps); a swipe deletes a code, a tap
// opens its fields, "+" starts the add-code wizard. The list re-reads the
// codes store every time it is about to appear.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UIViewController.h"

#include <memory>
#include <optional>

namespace quorvel {

class CodesViewController : public platform::UIViewController,
                            public platform::UITableViewDataSource,
                            public platform::UITableViewDelegate {
public:
    static constexpr const char* kClassName = "CodesViewController";
    static constexpr const char* kCellIdentifier = "Dynamic Cell";

    CodesViewController();
    ~CodesViewController() override;

    static rt::Class* runtimeClass();
    static void unregisterRuntimeClass();

    // The "codes" array as last read; nullopt when the file or the key is missing.
    std::optional<platform::Array> items;
    // The table on screen (the newest one).
    std::shared_ptr<platform::UITableView> tableView;

    void viewWillAppear(bool animated) override;
    void loadItems();
    void openNewItemVC();
    void deleteItemAtIndex(unsigned index);

    int numberOfRowsInSection(platform::UITableView& tableView, int section) override;
    std::shared_ptr<platform::UITableViewCell> cellForRowAtIndexPath(platform::UITableView& tableView,
                                                                     const platform::NSIndexPath& indexPath) override;
    bool canEditRowAtIndexPath(platform::UITableView& tableView, const platform::NSIndexPath& indexPath) override;
    bool canMoveRowAtIndexPath(platform::UITableView& tableView, const platform::NSIndexPath& indexPath) override;
    platform::UITableViewCellEditingStyle editingStyleForRowAtIndexPath(platform::UITableView& tableView,
                                                                        const platform::NSIndexPath& indexPath) override;
    int indentationLevelForRowAtIndexPath(platform::UITableView& tableView, const platform::NSIndexPath& indexPath) override;
    void commitEditingStyle(platform::UITableView& tableView, platform::UITableViewCellEditingStyle style,
                            const platform::NSIndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::UITableView& tableView, const platform::NSIndexPath& indexPath) override;
};

} // namespace quorvel
