#include "host/common/widget/WidgetHost.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runtime/Runtime.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIView.h"
#include "platform/widgets/BBWeeAppController.h"
#include "host/common/render/ViewRenderer.h"

#include <dlfcn.h>

#include <algorithm>

namespace host {

namespace {

constexpr int kRefreshLineTag = 500;

// Code of the widget runs "inside" SpringBoard, on its device.
struct InSpringBoard {
    explicit InSpringBoard(platform::Process& process) : device(process.device()), inProcess(process) {}
    platform::DeviceScope device;
    platform::ProcessScope inProcess;
};

void collectTree(const std::shared_ptr<platform::UIView>& view, std::vector<std::weak_ptr<rt::Object>>& out)
{
    if (!view)
        return;
    out.push_back(view);
    for (const auto& recognizer : view->gestureRecognizers())
        out.push_back(recognizer);
    for (const auto& subview : view->subviews())
        collectTree(subview, out);
}

} // namespace

WidgetHost::WidgetHost(platform::Process& springboard, std::string logPrefix, std::string bundlePath)
    : m_process(springboard), m_logPrefix(std::move(logPrefix)), m_bundlePath(std::move(bundlePath))
{
}

WidgetHost::~WidgetHost() { shutDown(); }

bool WidgetHost::load()
{
    if (m_widget)
        return true;
    InSpringBoard scope(m_process);
    const auto bundle = platform::Bundle::bundleWithPath(m_bundlePath);
    if (!bundle) {
        QLog("%@Notification Center: no widget bundle at %@", m_logPrefix, m_bundlePath);
        return false;
    }
    const std::string principal = bundle->principalClassName();
    const std::string executable = bundle->executablePath();
    if (principal.empty() || executable.empty()) {
        QLog("%@Notification Center: %@/Info.plist names no principal class or no executable", m_logPrefix, m_bundlePath);
        return false;
    }
    if (!m_library) {
        // The library's load-time constructor registers its classes, inside SpringBoard.
        m_library = dlopen(platform::hostPath(executable).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_library) {
            const char* reason = dlerror();
            QLog("%@Notification Center: cannot load %@: %@", m_logPrefix, executable, reason ? reason : "unknown error");
            return false;
        }
    }
    rt::Class* cls = rt::objc_getClass(principal.c_str());
    std::shared_ptr<rt::Object> instance = cls ? cls->createInstance() : nullptr;
    auto* widget = dynamic_cast<platform::BBWeeAppController*>(instance.get());
    if (!widget) {
        QLog("%@Notification Center: %@ gives no widget controller", m_logPrefix, principal);
        return false;
    }
    m_instance = std::move(instance);
    m_widget = widget;
    QLog("%@Notification Center: loaded %@ (%@)", m_logPrefix, m_bundlePath, principal);

    m_widget->loadPlaceholderView();
    takeView();
    m_needsPlaceholder = false;
    return true;
}

void WidgetHost::takeView()
{
    m_view = m_widget ? m_widget->view() : nullptr;
    m_viewHeight = m_widget ? m_widget->viewHeight() : 0;
    if (m_view) {
        // Notification Center gives the widget's row the height it asks for.
        platform::CGRect frame = m_view->frame();
        frame.size.height = m_viewHeight;
        m_view->setFrame(frame);
    }
    collectTree(m_view, m_handedOut);
}

void WidgetHost::show()
{
    if (m_shown || !load())
        return;
    InSpringBoard scope(m_process);
    if (m_needsPlaceholder) {
        m_widget->loadPlaceholderView();
        takeView();
        m_needsPlaceholder = false;
    }
    m_widget->loadFullView();
    takeView();
    m_shown = true;
}

void WidgetHost::hide()
{
    if (!m_shown)
        return;
    InSpringBoard scope(m_process);
    m_widget->unloadView();
    m_view = nullptr;
    m_shown = false;
    m_needsPlaceholder = true;
}

void WidgetHost::shutDown()
{
    if (m_widget) {
        InSpringBoard scope(m_process);
        if (m_shown || m_widget->view())
            m_widget->unloadView();
        // Whatever the widget left registered would call into code about to go away.
        m_process.localCenter().removeObserver(dynamic_cast<const void*>(m_instance.get()));
        m_view = nullptr;
        m_widget = nullptr;
        m_instance.reset();
        m_shown = false;
    }
    if (!m_library)
        return;
    const bool held = viewTreeHeldElsewhere();
    // Before closing: even a weak reference releases its bookkeeping through code
    // that may live in the library.
    m_handedOut.clear();
    if (held) {
        QLog("%@Notification Center: the widget's views are still in use, so %@ stays loaded", m_logPrefix, m_bundlePath);
        m_library = nullptr;
        return;
    }
    dlclose(m_library);
    m_library = nullptr;
}

bool WidgetHost::viewTreeHeldElsewhere() const
{
    return std::any_of(m_handedOut.begin(), m_handedOut.end(), [](const auto& weak) { return !weak.expired(); });
}

bool WidgetHost::tapRefreshLine()
{
    if (!m_view)
        return false;
    InSpringBoard scope(m_process);
    auto line = m_view->viewWithTag(kRefreshLineTag);
    if (!line) {
        QLog("%@Notification Center: the widget shows no refresh line to tap", m_logPrefix);
        return false;
    }
    return platform::tapView(line) != nullptr;
}

bool WidgetHost::tapAt(platform::CGPoint point)
{
    if (!m_view)
        return false;
    InSpringBoard scope(m_process);
    return platform::deliverTap(m_view, point) != nullptr;
}

bool WidgetHost::renderToPng(const std::string& hostFile) const { return renderToPng(hostFile, RenderOptions{}); }

bool WidgetHost::renderToPng(const std::string& hostFile, const RenderOptions& options) const
{
    if (!m_view)
        return false;
    return renderViewToPng(*m_view, hostFile, options);
}

} // namespace host
