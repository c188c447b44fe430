#include "platform/ui/UISwitch.h"

#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/internal/Drawing.h"

namespace platform {

UISwitch::UISwitch(const CGRect& frame) : UIControl(frame, runtimeClass()) {}

UISwitch::~UISwitch() = default;

rt::Class* UISwitch::runtimeClass() { return rt::registerClass("UISwitch", UIControl::runtimeClass()); }

void UISwitch::setOn(bool on, bool) { m_on = on; }

bool UISwitch::setOnByUser(bool on)
{
    if (!isEnabled())
        return false;
    const bool changed = m_on != on;
    m_on = on;
    if (changed)
        sendActionsForControlEvents(UIControlEventValueChanged);
    return true;
}

void UISwitch::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    const UIColor track = m_on ? UIColor::colorWithRed(0.0, 0.5, 0.92, 1) : UIColor::colorWithWhite(0.93, 1);
    context.fillRect(rect, track);
    internal::strokeRect(context, rect, UIColor::colorWithWhite(0.6, 1), 1);
    const double knob = rect.size.height;
    const CGRect thumb = CGRectMake(m_on ? rect.maxX() - knob : rect.minX(), rect.minY(), knob, knob);
    context.fillRect(thumb, UIColor::colorWithWhite(0.98, 1));
    internal::strokeRect(context, thumb, UIColor::colorWithWhite(0.6, 1), 1);
    const CGRect label = m_on ? CGRectMake(rect.minX(), rect.minY(), rect.size.width - knob, rect.size.height)
                              : CGRectMake(rect.minX() + knob, rect.minY(), rect.size.width - knob, rect.size.height);
    internal::drawTextLine(context, m_on ? "ON" : "OFF", label, UIFont::boldSystemFontOfSize(14),
                           m_on ? UIColor::whiteColor() : UIColor::grayColor(), 1);
}

std::string UISwitch::describeProperties() const { return m_on ? " on" : " off"; }

} // namespace platform
