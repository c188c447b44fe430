#include "platform/ui/UIApplication.h"

#include "platform/foundation/Log.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/NSValue.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UIScreen.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {

// Applications by process; a host makes at most one per process.
std::vector<std::pair<const Process*, UIApplication*>>& registry()
{
    static std::vector<std::pair<const Process*, UIApplication*>> applications;
    return applications;
}

CGRect keyboardBelowScreen()
{
    return CGRectMake(0, UIScreen::height(), UIScreen::width(), UIScreen::keyboardHeight());
}

} // namespace

UIApplication::UIApplication(Process& process) : m_process(&process)
{
    auto& apps = registry();
    std::erase_if(apps, [&](const auto& entry) { return entry.first == &process; });
    apps.emplace_back(&process, this);
}

UIApplication::~UIApplication()
{
    std::erase_if(registry(), [this](const auto& entry) { return entry.second == this; });
}

UIApplication& UIApplication::sharedApplication()
{
    const Process* current = Process::currentOrNull();
    for (const auto& [process, app] : registry())
        if (process == current)
            return *app;
    static UIApplication fallback;
    return fallback;
}

bool UIApplication::openURL(const std::string& url)
{
    Device* device = Device::currentOrNull();
    if (!device || !device->urlOpener) {
        QLog("UIApplication: no handler to open %@", url);
        return false;
    }
    device->urlOpener->openURL(url);
    return true;
}

CGRect UIApplication::keyboardFrame()
{
    return CGRectMake(0, UIScreen::height() - UIScreen::keyboardHeight(), UIScreen::width(), UIScreen::keyboardHeight());
}

void UIApplication::willBecomeFirstResponder(const std::shared_ptr<UIView>& view)
{
    auto former = m_firstResponder.lock();
    if (former == view)
        return;
    if (auto* responder = dynamic_cast<UIFirstResponder*>(former.get())) {
        m_handingOver = true;
        responder->resignFirstResponder();
        m_handingOver = false;
    }
    m_firstResponder = view;
}

void UIApplication::didBecomeFirstResponder(const std::shared_ptr<UIView>& view)
{
    if (m_firstResponder.lock() != view)
        return;
    const CGRect begin = m_keyboardVisible ? keyboardFrame() : keyboardBelowScreen();
    m_keyboardVisible = true;
    postKeyboard(UIKeyboardWillShowNotification, begin, keyboardFrame());
    postKeyboard(UIKeyboardDidShowNotification, begin, keyboardFrame());
}

void UIApplication::didResignFirstResponder(const UIView* view)
{
    if (m_firstResponder.lock().get() == view)
        m_firstResponder.reset();
    if (m_handingOver || !m_keyboardVisible)
        return;
    m_keyboardVisible = false;
    postKeyboard(UIKeyboardWillHideNotification, keyboardFrame(), keyboardBelowScreen());
    postKeyboard(UIKeyboardDidHideNotification, keyboardFrame(), keyboardBelowScreen());
}

void UIApplication::postKeyboard(const std::string& name, const CGRect& begin, const CGRect& end)
{
    Process* process = m_process ? m_process : Process::currentOrNull();
    if (!process)
        return;
    const Dict userInfo{{UIKeyboardFrameBeginUserInfoKey, NSValue::valueWithCGRect(begin)},
                        {UIKeyboardFrameEndUserInfoKey, NSValue::valueWithCGRect(end)}};
    process->localCenter().post(name, nullptr, &userInfo, true);
}

void UIApplication::presentAlert(const std::shared_ptr<UIAlertView>& alert)
{
    if (!alert || std::find(m_alerts.begin(), m_alerts.end(), alert) != m_alerts.end())
        return;
    m_alerts.push_back(alert);
}

void UIApplication::removeAlert(const UIAlertView* alert)
{
    std::erase_if(m_alerts, [&](const auto& a) { return a.get() == alert; });
}

} // namespace platform
