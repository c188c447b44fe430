// A button of a navigation bar: a title or a system item ("+"), a style, and
// a target-action pair sent when the user taps it while it is enabled.
//
//   auto next = std::make_shared<UIBarButtonItem>("Next", UIBarButtonItemStyleBordered, self, "btnNextTap");
//   navigationItem().setRightBarButtonItem(next);
//   next->setEnabled(false);
//
// The target is held weakly. Single-threaded.
#pragma once

#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>

namespace platform {

using UIBarButtonItemStyle = int;
inline constexpr UIBarButtonItemStyle UIBarButtonItemStylePlain = 0;
inline constexpr UIBarButtonItemStyle UIBarButtonItemStyleBordered = 1;
inline constexpr UIBarButtonItemStyle UIBarButtonItemStyleDone = 2;

using UIBarButtonSystemItem = int;
inline constexpr UIBarButtonSystemItem UIBarButtonSystemItemDone = 0;
inline constexpr UIBarButtonSystemItem UIBarButtonSystemItemCancel = 1;
inline constexpr UIBarButtonSystemItem UIBarButtonSystemItemEdit = 2;
inline constexpr UIBarButtonSystemItem UIBarButtonSystemItemSave = 3;
inline constexpr UIBarButtonSystemItem UIBarButtonSystemItemAdd = 4;

class UIBarButtonItem : public rt::Object {
public:
    // initWithTitle:style:target:action:
    UIBarButtonItem(std::string title, UIBarButtonItemStyle style, const rt::id& target, std::string action);
    // initWithBarButtonSystemItem:target:action:
    static std::shared_ptr<UIBarButtonItem> systemItem(UIBarButtonSystemItem item, const rt::id& target, std::string action);
    ~UIBarButtonItem() override;

    static rt::Class* runtimeClass();

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    UIBarButtonItemStyle style() const { return m_style; }
    // What the button shows: its title, or the system item's symbol or word.
    std::string displayText() const;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    rt::id target() const { return m_target.lock(); }
    const std::string& action() const { return m_action; }

    // The user's tap: sends the action when enabled; false when disabled or
    // nobody answered.
    bool tap();

private:
    std::string m_title;
    UIBarButtonItemStyle m_style = UIBarButtonItemStylePlain;
    UIBarButtonSystemItem m_systemItem = -1;
    std::weak_ptr<rt::Object> m_target;
    std::string m_action;
    bool m_enabled = true;
};

// What a view controller shows in the navigation bar while it is on top.
class UINavigationItem {
public:
    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    const std::shared_ptr<UIBarButtonItem>& rightBarButtonItem() const { return m_right; }
    void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { m_right = std::move(item); }
    const std::shared_ptr<UIBarButtonItem>& leftBarButtonItem() const { return m_left; }
    void setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { m_left = std::move(item); }

private:
    std::string m_title;
    std::shared_ptr<UIBarButtonItem> m_right;
    std::shared_ptr<UIBarButtonItem> m_left;
};

} // namespace platform
