// An on/off switch (79 x 27 points on the phone). Code sets it with setOn;
// the user's flip (toggleByUser) also sends the value-changed actions.
//
//   auto sw = std::make_shared<UISwitch>(CGRectMake(235, 46, 79, 27));
//   sw->setOn(false, false);
//   sw->setTag(300);
#pragma once

#include "platform/ui/UIControl.h"

namespace platform {

class UISwitch : public UIControl {
public:
    explicit UISwitch(const CGRect& frame = {});
    ~UISwitch() override;

    static rt::Class* runtimeClass();

    bool isOn() const { return m_on; }
    void setOn(bool on, bool animated = false);
    // The user's flip to `on`: sets it and sends UIControlEventValueChanged
    // when the value changed. False when disabled.
    bool setOnByUser(bool on);

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    bool m_on = false;
};

} // namespace platform
