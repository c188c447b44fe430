#include "host/web/ViewSvg.h"

#include "host/web/SvgCanvas.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITextView.h"

namespace host {

using namespace platform;

namespace {

std::string attribute(const std::string& name, const std::string& value)
{
    return " " + name + "=\"" + xmlEscaped(value) + "\"";
}

void walk(SvgCanvas& canvas, UIView& view)
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
    view.drawRect(canvas, local);
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

void appendViewTree(SvgCanvas& canvas, UIView& view, CGPoint at, bool contentOnly)
{
    canvas.saveState();
    canvas.translate(at.x, at.y);
    if (contentOnly) {
        canvas.raw("<g" + attribute("data-view", view.className()) + accessibilityAttributes(view) + ">");
        view.drawRect(canvas, CGRectMake(0, 0, view.frame().size.width, view.frame().size.height));
        canvas.raw("</g>");
    } else {
        walk(canvas, view);
    }
    canvas.restoreState();
}

} // namespace host
