#include "host/linux/WidgetTexts.h"

#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

#include <memory>

namespace linuxhost {

namespace {

std::string labelText(platform::UIView& root, int tag)
{
    auto label = std::dynamic_pointer_cast<platform::UILabel>(root.viewWithTag(tag));
    return label ? label->text() : std::string();
}

} // namespace

WidgetTexts widgetTexts(platform::UIView& root)
{
    WidgetTexts texts;
    // Fields are numbered from 0 without gaps; the first missing title ends them.
    for (int i = 0; root.viewWithTag(kTitleTagBase + i); ++i) {
        std::string title = labelText(root, kTitleTagBase + i);
        std::string value = labelText(root, kValueTagBase + i);
        if (!texts.text.empty())
            texts.text += " | ";
        texts.text += value.empty() ? title : title + ": " + value;
        if (!value.empty())
            texts.cssClass = "values";
    }
    texts.tooltip = labelText(root, kRefreshLineTag);
    return texts;
}

} // namespace linuxhost
