// The fields of one stored code: each kept number's title and its position
// in the reply ("item No. 1" for the first), and under them the code's last
// reply text when the home-screen host keeps one (kLastRepliesPath; with no
// such file the screen has no line under the fields). Shows what was stored
// and changes nothing.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/ui/UITableViewController.h"

namespace quorvel {

class CodeItemsTVC : public platform::UITableViewController {
public:
    static constexpr const char* kClassName = "CodeItemsTVC";
    static constexpr const char* kCellIdentifier = "Dynamic Cell";

    // initWithStyle:; the plain initialiser gives the plain style.
    explicit CodeItemsTVC(platform::UITableViewStyle style = platform::UITableViewStylePlain);
    ~CodeItemsTVC() override;

    static rt::Class* runtimeClass();
    static void unregisterRuntimeClass();

    // The code record shown, set before the screen is pushed.
    platform::Value code;
    // A copy of the record's "fields", taken when the view loads.
    platform::Array fields;
    // The code's last reply text, read when the view loads ("" when none).
    std::string lastReply;

    void viewDidLoad() override;
    int numberOfSectionsInTableView(platform::UITableView& tableView) override;
    int numberOfRowsInSection(platform::UITableView& tableView, int section) override;
    std::shared_ptr<platform::UITableViewCell> cellForRowAtIndexPath(platform::UITableView& tableView,
                                                                     const platform::NSIndexPath& indexPath) override;
    std::string titleForFooterInSection(platform::UITableView& tableView, int section) override;
};

} // namespace quorvel
