#include "host/web/ViewSvg.h"

#include "host/web/SvgCanvas.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITextView.h"

#include <set>

namespace host {

using namespace platform;

namespace {

std::string attribute(const std::string& name, const std::string& value)
{
    return " " + name + "=\"" + xmlEscaped(value) + "\"";
}

// The texts of the buttons a view draws itself rather than as subviews.
std::set<std::string> buttonTexts(UIView& view)
{
    std::set<std::string> texts;
    if (auto* bar = dynamic_cast<UINavigationBar*>(&view)) {
        if (auto left = bar->leftItem())
            texts.insert(left->displayText());
        else if (const std::string back = bar->backButtonTitle(); !back.empty())
            texts.insert(back);
        if (auto right = bar->rightItem())
            texts.insert(right->displayText());
    } else if (auto* alert = dynamic_cast<UIAlertView*>(&view)) {
        texts.insert(alert->buttonTitles().begin(), alert->buttonTitles().end());
    }
    return texts;
}

void drawContent(SvgCanvas& canvas, UIView& view, const CGRect& local, const std::set<std::string>& extra = {})
{
    std::set<std::string> buttons = buttonTexts(view);
    buttons.insert(extra.begin(), extra.end());
    canvas.setButtonTexts(std::move(buttons));
    view.drawRect(canvas, local);
    canvas.setButtonTexts({});
}

void walk(SvgCanvas& canvas, UIView& view, const std::set<std::string>& extra = {})
{
    if (view.isHidden())
        return;
    std::string open = "<g" + attribute("data-view", view.className());
    if (view.tag() != 0)
        open += attribute("data-tag", std::to_string(view.tag()));
    canvas.raw(open + accessibilityAttributes(view) + ">");
    const CGRect local = CGRectMake(0, 0, view.frame().size.width, view.frame().size.height);
    canvas.saveState();
    if (view.clipsToBounds())
        canvas.clipToRect(local);
    if (view.backgroundColor() && !view.backgroundColor()->isClear() && local.size.width > 0 && local.size.height > 0)
        canvas.fillRect(local, *view.backgroundColor());
    drawContent(canvas, view, local, extra);
    canvas.translate(-view.bounds().origin.x, -view.bounds().origin.y);
    for (const auto& subview : view.subviews()) {
        canvas.saveState();
        canvas.translate(subview->frame().origin.x, subview->frame().origin.y);
        walk(canvas, *subview);
        canvas.restoreState();
    }
    canvas.restoreState();
    canvas.raw("</g>");
}

} // namespace

std::string accessibilityAttributes(UIView& view)
{
    if (auto* cell = dynamic_cast<UITableViewCell*>(&view)) {
        const std::string detail = cell->detailText();
        return attribute("role", "button") + attribute("aria-label", cell->text() + (detail.empty() ? "" : ", " + detail));
    }
    if (auto* field = dynamic_cast<UITextField*>(&view)) {
        return attribute("role", "textbox") + attribute("aria-label", field->placeholder()) +
               attribute("data-value", field->text());
    }
    if (auto* toggle = dynamic_cast<UISwitch*>(&view))
        return attribute("role", "switch") + attribute("aria-checked", toggle->isOn() ? "true" : "false");
    if (auto* bar = dynamic_cast<UINavigationBar*>(&view))
        return attribute("role", "navigation") + attribute("aria-label", bar->title());
    if (auto* alert = dynamic_cast<UIAlertView*>(&view))
        return attribute("role", "alertdialog") + attribute("aria-label", alert->title()) +
               attribute("aria-description", alert->message());
    if (auto* text = dynamic_cast<UITextView*>(&view))
        return attribute("role", "note") + attribute("aria-label", text->text());
    return {};
}

void appendViewTree(SvgCanvas& canvas, UIView& view, CGPoint at, bool contentOnly, const std::set<std::string>& buttons)
{
    canvas.saveState();
    canvas.translate(at.x, at.y);
    if (contentOnly) {
        canvas.raw("<g" + attribute("data-view", view.className()) + accessibilityAttributes(view) + ">");
        drawContent(canvas, view, CGRectMake(0, 0, view.frame().size.width, view.frame().size.height), buttons);
        canvas.raw("</g>");
    } else {
        walk(canvas, view, buttons);
    }
    canvas.restoreState();
}

} // namespace host
