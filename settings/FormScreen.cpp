#include "settings/FormScreen.h"

#include "platform/ui/UITableView.h"

namespace quorvel {

using namespace platform;

void addGroupedBackground(const std::shared_ptr<UIView>& root)
{
    root->setBackgroundColor(UIColor::clearColor());
    auto background = std::make_shared<UITableView>(root->bounds(), UITableViewStyleGrouped);
    background->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    root->addSubview(background);
    root->sendSubviewToBack(background.get());
}

std::shared_ptr<UITextView> makeHelpTextView(const CGRect& frame, const std::string& text, HelpScrolling scrolling)
{
    auto help = std::make_shared<UITextView>(frame);
    help->setBackgroundColor(UIColor::clearColor());
    help->setFont(help->font().fontWithSize(12));
    help->setTextAlignment(NSTextAlignmentLeft);
    help->setEditable(false);
    if (scrolling == HelpScrolling::Scrolls) {
        help->setScrollEnabled(true);
        help->setShowsVerticalScrollIndicator(true);
    } else {
        help->setScrollEnabled(false);
        help->setUserInteractionEnabled(false);
    }
    help->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    help->setText(text);
    return help;
}

} // namespace quorvel
