#include "platform/ui/UIBarButtonItem.h"

#include "platform/ui/UIControl.h"

namespace platform {

UIBarButtonItem::UIBarButtonItem(std::string title, UIBarButtonItemStyle style, const rt::id& target, std::string action)
    : rt::Object(runtimeClass()), m_title(std::move(title)), m_style(style), m_target(target), m_action(std::move(action))
{
}

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::systemItem(UIBarButtonSystemItem item, const rt::id& target,
                                                             std::string action)
{
    auto made = std::make_shared<UIBarButtonItem>(std::string(), UIBarButtonItemStyleBordered, target, std::move(action));
    made->m_systemItem = item;
    if (item == UIBarButtonSystemItemDone)
        made->m_style = UIBarButtonItemStyleDone;
    return made;
}

UIBarButtonItem::~UIBarButtonItem() = default;

rt::Class* UIBarButtonItem::runtimeClass() { return rt::registerClass("UIBarButtonItem"); }

std::string UIBarButtonItem::displayText() const
{
    switch (m_systemItem) {
    case UIBarButtonSystemItemDone: return "Done";
    case UIBarButtonSystemItemCancel: return "Cancel";
    case UIBarButtonSystemItemEdit: return "Edit";
    case UIBarButtonSystemItemSave: return "Save";
    case UIBarButtonSystemItemAdd: return "+";
    default: return m_title;
    }
}

bool UIBarButtonItem::tap()
{
    if (!m_enabled)
        return false;
    auto keepAlive = weak_from_this().lock();
    rt::id target = m_target.lock();
    return sendAction(target.get(), m_action, this);
}

} // namespace platform
