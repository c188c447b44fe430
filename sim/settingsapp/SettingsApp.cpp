#include "sim/settingsapp/SettingsApp.h"

#include "platform/prefs/PSListController.h"
#include "platform/system/Process.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITextView.h"
#include "host/common/render/CairoGraphicsContext.h"
#include "host/common/touch/ScreenTouch.h"
#include "host/common/render/ScreenRenderer.h"
#include "host/common/loader/PrefBundleInstall.h"
#include "host/common/loader/PreferencePage.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <dlfcn.h>

#include <algorithm>
#include <functional>

namespace sim {

using namespace platform;

namespace {

// Code of the bundle runs "inside" the Settings application, on its device.
struct InSettings {
    InSettings(Device& device, Process& process) : onDevice(device), inProcess(process) {}
    DeviceScope onDevice;
    ProcessScope inProcess;
};

// Depth-first, back to front: the last match is the front-most view.
void collect(const std::shared_ptr<UIView>& view, const std::function<bool(const std::shared_ptr<UIView>&)>& wanted,
             std::vector<std::shared_ptr<UIView>>& out)
{
    if (!view || view->isHidden())
        return;
    if (wanted(view))
        out.push_back(view);
    for (const auto& subview : view->subviews())
        collect(subview, wanted, out);
}

template <class T>
std::vector<std::shared_ptr<T>> viewsOfKind(const std::shared_ptr<UIView>& root)
{
    std::vector<std::shared_ptr<UIView>> found;
    collect(root, [](const std::shared_ptr<UIView>& v) { return dynamic_cast<T*>(v.get()) != nullptr; }, found);
    std::vector<std::shared_ptr<T>> out;
    for (const auto& v : found)
        out.push_back(std::static_pointer_cast<T>(v));
    return out;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

} // namespace

SettingsApp& settingsApp(World& world)
{
    if (auto* existing = world.host<SettingsApp>())
        return *existing;
    return world.addHost<SettingsApp>(world);
}

SettingsApp::SettingsApp(World& world) : m_world(world) {}

SettingsApp::~SettingsApp() { shutDown(m_world); }

bool SettingsApp::open()
{
    if (isOpen())
        return true;
    if (!launch()) {
        shutDown(m_world);
        return false;
    }
    return true;
}

bool SettingsApp::launch()
{
    Device& device = m_world.device();
    if (!m_installed) {
        std::string error;
        if (!host::installPrefBundle(&error)) {
            m_world.log().note("Settings: cannot install the preference bundle: " + error);
            return false;
        }
        m_installed = true;
    }
    m_process = std::make_unique<Process>(device, kSettingsProcessName, kSettingsBundleId);
    if (!device.urlOpener)
        device.urlOpener = this;
    InSettings in(device, *m_process);
    m_application = std::make_unique<UIApplication>(*m_process);
    m_window = std::make_shared<UIView>(UIScreen::bounds());
    m_window->setBackgroundColor(UIColor::blackColor());

    std::string problem;
    auto opened = host::openPreferencePage(*m_window, m_library, &problem);
    if (!opened) {
        m_world.log().note(problem);
        return false;
    }
    m_page = opened->page;
    m_navigation = opened->navigation;
    m_world.log().note(std::string("Settings: opened ") + host::kPrefBundlePath + " (" + opened->principal + ")");
    return true;
}

void SettingsApp::shutDown(World&)
{
    if (m_process) {
        {
            InSettings in(m_world.device(), *m_process);
            m_page.reset();
            m_navigation.reset();
            m_window.reset();
            m_application.reset();
        }
        // Drops the pending callbacks and Darwin registrations that point into the bundle.
        m_process.reset();
    }
    if (m_world.device().urlOpener == this)
        m_world.device().urlOpener = nullptr;
    if (m_library) {
        dlclose(m_library);
        m_library = nullptr;
    }
}

std::shared_ptr<UIViewController> SettingsApp::topViewController() const
{
    return m_navigation ? m_navigation->topViewController() : nullptr;
}

std::shared_ptr<UITableView> SettingsApp::frontTable() const
{
    auto top = topViewController();
    if (!top)
        return nullptr;
    auto tables = viewsOfKind<UITableView>(top->view());
    return tables.empty() ? nullptr : tables.back();
}

std::shared_ptr<UIAlertView> SettingsApp::topAlert() const
{
    return m_application ? m_application->topAlert() : nullptr;
}

UserAction SettingsApp::tap(const std::string& text)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    if (auto alert = topAlert())
        return UserAction::failed("the alert " + quoted(alert->title()) + " is on screen");
    auto top = topViewController();
    for (const auto& button : {top->navigationItem().rightBarButtonItem(), top->navigationItem().leftBarButtonItem()}) {
        if (!button || button->displayText() != text)
            continue;
        if (!button->isEnabled())
            return UserAction::failed(quoted(text) + " is disabled");
        button->tap();
        return UserAction::done();
    }
    if (m_navigation->navigationBar()->backButtonTitle() == text) {
        m_navigation->popViewControllerAnimated(true);
        return UserAction::done();
    }
    if (auto table = frontTable()) {
        for (const auto& path : table->allIndexPaths()) {
            if (table->cellForRowAtIndexPath(path)->text() == text) {
                table->selectRowByUser(path);
                return UserAction::done();
            }
        }
    }
    return UserAction::failed("nothing shows " + quoted(text) + " on " + describeScreen());
}

UserAction SettingsApp::type(const std::string& text)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    auto field = std::dynamic_pointer_cast<UITextField>(m_application->firstResponder());
    if (!field)
        return UserAction::failed("no text field is being edited on " + describeScreen());
    field->insertText(text);
    return UserAction::done();
}

UserAction SettingsApp::setSwitch(bool on)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    auto switches = viewsOfKind<UISwitch>(topViewController()->view());
    if (switches.empty())
        return UserAction::failed("no switch on " + describeScreen());
    if (!switches.front()->setOnByUser(on))
        return UserAction::failed("the switch is disabled");
    return UserAction::done();
}

UserAction SettingsApp::title(int row, const std::string& text)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    for (const auto& field : viewsOfKind<UITextField>(topViewController()->view())) {
        if (field->tag() != 100 + row)
            continue;
        if (!field->becomeFirstResponder())
            return UserAction::failed("the title field of row " + std::to_string(row) + " cannot be edited");
        field->setText(text);
        return UserAction::done();
    }
    return UserAction::failed("no title field for row " + std::to_string(row) + " on " + describeScreen());
}

UserAction SettingsApp::tapAlertButton(const std::string& button)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    auto alert = topAlert();
    if (!alert)
        return UserAction::failed("no alert on screen");
    if (!alert->tapButtonTitled(button))
        return UserAction::failed("the alert " + quoted(alert->title()) + " has no button " + quoted(button));
    return UserAction::done();
}

UserAction SettingsApp::deleteRow(int row)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    auto table = frontTable();
    const auto paths = table ? table->allIndexPaths() : std::vector<NSIndexPath>{};
    if (row < 0 || static_cast<size_t>(row) >= paths.size())
        return UserAction::failed("no row " + std::to_string(row) + " on " + describeScreen());
    if (!table->deleteRowByUser(paths[static_cast<size_t>(row)]))
        return UserAction::failed("row " + std::to_string(row) + " cannot be deleted");
    return UserAction::done();
}

UserAction SettingsApp::back()
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    if (!m_navigation->popViewControllerAnimated(true))
        return UserAction::failed("already on the first screen");
    return UserAction::done();
}

UserAction SettingsApp::setValue(const std::string& label, const Value& value)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    auto entry = m_page->specifierForLabel(label);
    if (!entry)
        return UserAction::failed("the settings page has no entry " + quoted(label));
    if (!m_page->setValueByUser(*entry, value))
        return UserAction::failed(quoted(label) + " does not take " + value.description());
    return UserAction::done();
}

std::string SettingsApp::screenTitle() const
{
    return m_navigation ? m_navigation->navigationBar()->title() : std::string();
}

std::vector<std::pair<std::string, std::string>> SettingsApp::rows() const
{
    std::vector<std::pair<std::string, std::string>> out;
    if (auto table = frontTable())
        for (const auto& path : table->allIndexPaths()) {
            auto cell = table->cellForRowAtIndexPath(path);
            out.emplace_back(cell->text(), cell->detailText());
        }
    return out;
}

std::optional<bool> SettingsApp::isEnabled(const std::string& text) const
{
    auto top = topViewController();
    if (!top)
        return std::nullopt;
    for (const auto& button : {top->navigationItem().rightBarButtonItem(), top->navigationItem().leftBarButtonItem()})
        if (button && button->displayText() == text)
            return button->isEnabled();
    return std::nullopt;
}

std::shared_ptr<UIScrollView> SettingsApp::scrollView() const
{
    auto top = topViewController();
    if (!top)
        return nullptr;
    for (const auto& scroll : viewsOfKind<UIScrollView>(top->view()))
        if (!dynamic_cast<UITableView*>(scroll.get()) && !dynamic_cast<UITextView*>(scroll.get()))
            return scroll;
    return frontTable();
}

std::string SettingsApp::describeScreen() const
{
    if (!isOpen())
        return "no screen (Settings is not open)";
    std::string out = "the screen " + quoted(screenTitle());
    std::string parts;
    for (const auto& [text, detail] : rows())
        parts += (parts.empty() ? "" : ", ") + quoted(text) + (detail.empty() ? "" : " " + quoted(detail));
    if (!parts.empty())
        out += " (rows " + parts + ")";
    auto top = topViewController();
    if (auto right = top->navigationItem().rightBarButtonItem())
        out += " (button " + quoted(right->displayText()) + (right->isEnabled() ? "" : ", disabled") + ")";
    return out;
}

std::optional<host::ScreenPicture> SettingsApp::screenPicture() const
{
    if (!isOpen())
        return std::nullopt;
    InSettings in(m_world.device(), *m_process);
    host::ScreenPicture picture;
    picture.window = m_window;
    picture.alerts = m_application->alerts();
    picture.keyboardVisible = m_application->isKeyboardVisible();
    picture.clock = m_world.now().formatted("HH:mm");
    auto field = std::dynamic_pointer_cast<UITextField>(m_application->firstResponder());
    picture.phonePad = field && field->keyboardType() == UIKeyboardTypePhonePad;
    return picture;
}

bool SettingsApp::renderToPng(const std::string& hostFile) const
{
    const auto picture = screenPicture();
    return picture && host::renderScreenToPng(*picture, hostFile);
}

UserAction SettingsApp::scrollAt(CGPoint point, double dy)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    const host::TouchResult done = host::scrollScreen(touchTarget(), point, dy);
    return done.ok ? UserAction::done() : UserAction::failed(done.problem);
}

UserAction SettingsApp::tapAt(CGPoint point)
{
    if (!isOpen())
        return UserAction::failed("the Settings application is not open");
    InSettings in(m_world.device(), *m_process);
    if (!m_measurer)
        m_measurer = std::make_unique<host::CairoGraphicsContext>();
    const host::TouchResult done = host::tapScreen(touchTarget(), point, *m_measurer);
    return done.ok ? UserAction::done() : UserAction::failed(done.problem);
}

host::TouchTarget SettingsApp::touchTarget() const
{
    return {m_window, m_application.get(), m_navigation};
}

void SettingsApp::openURL(const std::string& url)
{
    m_openedURLs.push_back(url);
    m_world.log().note("Settings opens " + url + " (recorded, not opened)");
}

} // namespace sim
