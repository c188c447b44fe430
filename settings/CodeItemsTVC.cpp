#include "settings/CodeItemsTVC.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "settings/RuntimeClasses.h"

namespace quorvel {

using namespace platform;

rt::Class* CodeItemsTVC::runtimeClass()
{
    return registerBundleClass(kClassName, UITableViewController::runtimeClass(),
                               [] { return rt::id(std::make_shared<CodeItemsTVC>()); }, {});
}

void CodeItemsTVC::unregisterRuntimeClass() { withdrawBundleClass(kClassName, {}); }

CodeItemsTVC::CodeItemsTVC(UITableViewStyle style) : UITableViewController(style, runtimeClass()) {}

CodeItemsTVC::~CodeItemsTVC() = default;

void CodeItemsTVC::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    const Array* stored = code[kFieldsKey].array();
    fields = stored ? *stored : Array{};
    const Value& command = code[kUssdCodeKey];
    navigationItem().setTitle(command.isNone() ? std::string() : command.description());
    lastReply.clear();
    if (const std::string* text = command.string()) {
        const Value reply = readDictionaryIfPresent(kLastRepliesPath).value_or(Dict{})[*text][kLastReplyTextKey];
        if (const std::string* said = reply.string())
            lastReply = *said;
    }
}

std::string CodeItemsTVC::titleForFooterInSection(UITableView&, int)
{
    return lastReply.empty() ? std::string() : "Last reply: " + lastReply;
}

int CodeItemsTVC::numberOfSectionsInTableView(UITableView&) { return 1; }

int CodeItemsTVC::numberOfRowsInSection(UITableView&, int) { return static_cast<int>(fields.size()); }

std::shared_ptr<UITableViewCell> CodeItemsTVC::cellForRowAtIndexPath(UITableView& table, const NSIndexPath& indexPath)
{
    auto cell = table.dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell)
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, kCellIdentifier);
    if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= fields.size())
        return cell;
    const Value& field = fields[static_cast<size_t>(indexPath.row)];
    const Value& title = field[kTitleKey];
    cell->textLabel()->setText(title.isNone() ? std::string() : title.description());
    // A missing index counts as 0, so it reads item No. 1.
    cell->detailTextLabel()->setText("item No. " + std::to_string(field[kIndexKey].integerValue() + 1));
    return cell;
}

} // namespace quorvel
