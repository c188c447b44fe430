#include "host/linux/SettingsScreen.h"

#include "host/common/loader/PrefBundleInstall.h"
#include "host/common/loader/PreferencePage.h"
#include "host/common/render/CairoGraphicsContext.h"
#include "host/linux/DaemonLog.h"
#include "platform/prefs/PSListController.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITextField.h"

#include <dlfcn.h>

namespace linuxhost {

using namespace platform;

namespace {

constexpr const char* kSettingsProcessName = "Preferences";
constexpr const char* kSettingsBundleId = "com.apple.Preferences";

struct InSettings {
    InSettings(Device& device, Process& process) : onDevice(device), inProcess(process) {}
    DeviceScope onDevice;
    ProcessScope inProcess;
};

} // namespace

SettingsScreen::SettingsScreen(Device& device) : m_device(device) {}

SettingsScreen::~SettingsScreen() { shutDown(); }

bool SettingsScreen::open()
{
    if (isOpen())
        return true;
    if (!launch()) {
        shutDown();
        return false;
    }
    return true;
}

bool SettingsScreen::launch()
{
    std::string error;
    if (!host::installPrefBundle(&error)) {
        note("Settings: cannot install the preference bundle: " + error);
        return false;
    }
    m_process = std::make_unique<Process>(m_device, kSettingsProcessName, kSettingsBundleId);
    InSettings in(m_device, *m_process);
    m_application = std::make_unique<UIApplication>(*m_process);
    m_window = std::make_shared<UIView>(UIScreen::bounds());
    m_window->setBackgroundColor(UIColor::blackColor());
    std::string problem;
    auto opened = host::openPreferencePage(*m_window, m_library, &problem);
    if (!opened) {
        note(problem);
        return false;
    }
    m_page = opened->page;
    m_navigation = opened->navigation;
    note(std::string("Settings: opened ") + host::kPrefBundlePath + " (" + opened->principal + ") for the browser page");
    return true;
}

void SettingsScreen::shutDown()
{
    if (m_process) {
        {
            InSettings in(m_device, *m_process);
            m_page.reset();
            m_navigation.reset();
            m_window.reset();
            m_application.reset();
        }
        m_process.reset();
    }
    m_measurer.reset();
    if (m_library) {
        dlclose(m_library);
        m_library = nullptr;
    }
}

host::TouchTarget SettingsScreen::target() const { return {m_window, m_application.get(), m_navigation}; }

host::TouchResult SettingsScreen::tapAt(CGPoint point)
{
    if (!isOpen())
        return {false, "Settings is not open"};
    InSettings in(m_device, *m_process);
    if (!m_measurer)
        m_measurer = std::make_unique<host::CairoGraphicsContext>();
    return host::tapScreen(target(), point, *m_measurer);
}

host::TouchResult SettingsScreen::scrollAt(CGPoint point, double dy)
{
    if (!isOpen())
        return {false, "Settings is not open"};
    InSettings in(m_device, *m_process);
    return host::scrollScreen(target(), point, dy);
}

host::TouchResult SettingsScreen::type(const std::string& text)
{
    if (!isOpen())
        return {false, "Settings is not open"};
    InSettings in(m_device, *m_process);
    auto field = std::dynamic_pointer_cast<UITextField>(m_application->firstResponder());
    if (!field)
        return {false, "no text field is being edited"};
    field->insertText(text);
    return {};
}

std::string SettingsScreen::screenTitle() const
{
    return m_navigation ? m_navigation->navigationBar()->title() : std::string();
}

std::optional<host::ScreenPicture> SettingsScreen::picture(const std::string& clock) const
{
    if (!isOpen())
        return std::nullopt;
    InSettings in(m_device, *m_process);
    host::ScreenPicture picture;
    picture.window = m_window;
    picture.alerts = m_application->alerts();
    picture.keyboardVisible = m_application->isKeyboardVisible();
    picture.clock = clock;
    auto field = std::dynamic_pointer_cast<UITextField>(m_application->firstResponder());
    picture.phonePad = field && field->keyboardType() == UIKeyboardTypePhonePad;
    return picture;
}

} // namespace linuxhost
