#include "widget/QuorvelController.h"

#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Sysctl.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"
#include "widget/CodeWalk.h"
#include "widget/ColorTable.h"
#include "widget/SimNotIn.h"
#include "widget/WidgetGlobals.h"

#include <cmath>
#include <string>
#include <vector>

namespace quorvel {

using namespace platform;

namespace {

constexpr double kIphoneWidth = 316;
constexpr double kIpadWidth = 476;
constexpr const char* kPlaceholderText = "Please go to Settings/Quorvel to configure the widget.";
constexpr const char* kNullText = "(null)";

// Its address tells which loaded library, and so which bundle, this code came from.
const char kBundleAnchor = 0;

UIColor gridlineColor() { return UIColor::colorWithWhite(0.7, 1.0); }

std::string hardwareModel()
{
    size_t length = 0;
    if (sysctlbyname("hw.machine", nullptr, &length, nullptr, 0) != 0 || length == 0)
        return {};
    std::vector<char> buffer(length);
    if (sysctlbyname("hw.machine", buffer.data(), &length, nullptr, 0) != 0)
        return {};
    // Up to the first NUL, and only ASCII: the model string is ASCII text.
    std::string model;
    for (size_t i = 0; i < length && buffer[i] != '\0'; ++i) {
        if (static_cast<unsigned char>(buffer[i]) < 0x80)
            model += buffer[i];
    }
    return model;
}

std::shared_ptr<UILabel> makeColumnLabel(const CGRect& frame, const UIColor& color, const UIFont& font, int tag,
                                         std::string text)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(color);
    label->setNumberOfLines(1);
    label->setAdjustsFontSizeToFitWidth(true);
    label->setTextAlignment(NSTextAlignmentCenter);
    label->setTag(tag);
    label->setText(std::move(text));
    label->setFont(font);
    return label;
}

// At full load the literal "(null)" that an earlier version stored stands for "no text".
std::string withoutNullText(std::string text) { return text == kNullText ? std::string() : text; }

// Selector trampolines, so messages and target-action reach the controller.
QuorvelController* controllerOf(rt::Object* self) { return dynamic_cast<QuorvelController*>(self); }

template <void (QuorvelController::*Method)()>
void send(rt::Object* self, rt::SEL)
{
    if (QuorvelController* controller = controllerOf(self))
        (controller->*Method)();
}

float sendViewHeight(rt::Object* self, rt::SEL)
{
    QuorvelController* controller = controllerOf(self);
    return controller ? controller->viewHeight() : 0.0f;
}

rt::id sendView(rt::Object* self, rt::SEL)
{
    QuorvelController* controller = controllerOf(self);
    return controller ? rt::id(controller->view()) : nullptr;
}

struct Selector {
    rt::SEL name;
    rt::IMP imp;
};

std::vector<Selector> selectors()
{
    return {
        {"loadPlaceholderView", rt::IMP::of(&send<&QuorvelController::loadPlaceholderView>)},
        {"loadFullView", rt::IMP::of(&send<&QuorvelController::loadFullView>)},
        {"unloadView", rt::IMP::of(&send<&QuorvelController::unloadView>)},
        {"loadPreferences", rt::IMP::of(&send<&QuorvelController::loadPreferences>)},
        {"loadConfiguration", rt::IMP::of(&send<&QuorvelController::loadConfiguration>)},
        {"updateFields", rt::IMP::of(&send<&QuorvelController::updateFields>)},
        {"ussdDataRefreshed", rt::IMP::of(&send<&QuorvelController::ussdDataRefreshed>)},
        {"refreshLabelTapped", rt::IMP::of(&send<&QuorvelController::refreshLabelTapped>)},
        {"viewHeight", rt::IMP::of(&sendViewHeight)},
        {"view", rt::IMP::of(&sendView)},
    };
}

} // namespace

// --- Class ---

void QuorvelController::registerRuntimeClass()
{
    rt::Class* cls = rt::registerClass(kClassName, rt::objc_getClass("NSObject"));
    // Set even when the class already exists: an earlier copy of this bundle
    // (another device, or one loaded before) may have registered it.
    cls->setFactory([] { return rt::id(std::make_shared<QuorvelController>()); });
    for (const Selector& s : selectors())
        cls->setMethod(s.name, s.imp);
}

void QuorvelController::unregisterRuntimeClass()
{
    rt::Class* cls = rt::objc_getClass(kClassName);
    if (!cls)
        return;
    cls->setFactory({});
    for (const Selector& s : selectors())
        cls->setMethod(s.name, rt::IMP{});
}

QuorvelController::QuorvelController() : rt::Object(rt::objc_getClass(kClassName))
{
    WidgetGlobals& globals = widgetGlobals();
    if (!globals.classInitialised) {
        globals.classInitialised = true;
        globals.widgetBundle = Bundle::bundleContainingAddress(&kBundleAnchor);
    }
}

QuorvelController::~QuorvelController() { stopObservingRefreshes(); }

// --- Host operations ---

void QuorvelController::loadPlaceholderView()
{
    WidgetGlobals& globals = widgetGlobals();
    const std::string model = hardwareModel();
    globals.isIpad = model.rfind("iPad", 0) == 0;
    QLog("Qvl: device detected: %@", model);

    _view = std::make_shared<UIView>(CGRectMake(0, 0, globals.isIpad ? kIpadWidth : kIphoneWidth, kViewHeight));
    _view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);

    const std::string resourcePath = globals.widgetBundle ? globals.widgetBundle->resourcePath() : std::string();
    std::shared_ptr<UIImage> image = UIImage::imageWithContentsOfFile(resourcePath + "/background7.png");
    std::shared_ptr<UIImage> stretchable;
    if (image) {
        const int leftCap = static_cast<int>(std::floor(image->size().width / 2));
        const int topCap = static_cast<int>(std::floor(image->size().height / 2));
        stretchable = image->stretchableImageWithLeftCapWidth(leftCap, topCap);
    }
    _backgroundView = std::make_shared<UIImageView>(stretchable);
    _backgroundView->setFrame(CGRectInset(_view->bounds(), 2, 0));
    _backgroundView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    _view->addSubview(_backgroundView);
}

void QuorvelController::loadFullView()
{
    refreshTime.reset();
    loadConfiguration();
    loadPreferences();

    if (!_view) {
        // The host skipped loadPlaceholderView: there is nothing to lay out on.
        QLog("Qvl: no view to lay out, loadPlaceholderView has not run");
        return;
    }
    const WidgetGlobals& globals = widgetGlobals();
    const int64_t H = static_cast<int64_t>(kViewHeight);
    const int64_t W = static_cast<int64_t>(_view->frame().size.width);
    const int64_t U = W - 10;

    refreshTimeLabel = std::make_shared<UILabel>(CGRectMake(0, static_cast<double>(H - 20), static_cast<double>(U), 20));
    refreshTimeLabel->setBackgroundColor(UIColor::clearColor());
    refreshTimeLabel->setTextColor(UIColor::grayColor());
    refreshTimeLabel->setAdjustsFontSizeToFitWidth(false);
    refreshTimeLabel->setTextAlignment(NSTextAlignmentRight);
    refreshTimeLabel->setNumberOfLines(1);
    refreshTimeLabel->setFont(refreshTimeLabel->font().fontWithSize(10));
    refreshTimeLabel->setTag(kRefreshLabelTag);
    _view->addSubview(refreshTimeLabel);

    if (!codes || codes->empty()) {
        refreshTimeLabel->setText(kPlaceholderText);
        return;
    }

    const int N = countFields(*codes);
    QLog("Qvl: widget found %u total fields", static_cast<unsigned>(N));

    const int64_t T = static_cast<int64_t>((H - 20 - 5) * 0.5);
    const int64_t V = static_cast<int64_t>((H - 20 - 5) * 0.5 - 5);
    const int64_t P = N > 0 ? U / N : 0;
    const int64_t L = P - 10;
    const std::vector<bool> simOut = columnsOfAbsentSims(*codes, globals.codesFollowSim);
    auto isSimOut = [&](int g) { return static_cast<size_t>(g) < simOut.size() && simOut[static_cast<size_t>(g)]; };

    walkCodes(
        *codes, WalkFaults::log,
        [&](const Value& field, int g) {
            const double x = static_cast<double>(g * P + 10);

            const Value& title = field[kTitleKey];
            QLog("Qvl setting title to %@", title);
            _view->addSubview(makeColumnLabel(CGRectMake(x, 5, static_cast<double>(L), static_cast<double>(T)),
                                              globals.titleColor, UIFont::systemFontOfSize(15), kTitleTagBase + g,
                                              withoutNullText(labelText(title))));

            const Value& lastValue = field[kLastValueKey];
            QLog("Qvl setting value to %@", lastValue);
            _view->addSubview(makeColumnLabel(
                CGRectMake(x, static_cast<double>(T + 10), static_cast<double>(L), static_cast<double>(V)),
                isSimOut(g) ? UIColor::grayColor() : globals.valueColor, UIFont::boldSystemFontOfSize(18),
                kValueTagBase + g, isSimOut(g) ? std::string(kSimNotInText) : withoutNullText(labelText(lastValue))));

            // Separators stand only between columns, never after the last one.
            if (globals.showGridlines && g != N - 1) {
                auto separator = std::make_shared<UIView>(
                    CGRectMake(std::trunc(x + static_cast<double>(L) + 5), 9, 1, static_cast<double>(T + V + 1)));
                separator->setBackgroundColor(gridlineColor());
                _view->addSubview(separator);
            }
        },
        [&](const Value& code) {
            if (!simIsMissing(code, globals.codesFollowSim))
                refreshTime = code[kRefreshedAtKey].date();
        });

    if (globals.showGridlines) {
        auto line = std::make_shared<UIView>(CGRectMake(10, static_cast<double>(T + 6), static_cast<double>(U - 10), 1));
        line->setBackgroundColor(gridlineColor());
        _view->addSubview(line);
    }

    setRefreshLineText();

    auto self = shared_from_this();
    auto tap = std::make_shared<UITapGestureRecognizer>(self, "refreshLabelTapped");
    tap->setNumberOfTapsRequired(1);
    refreshTimeLabel->addGestureRecognizer(tap);
    refreshTimeLabel->setUserInteractionEnabled(true);

    // A second full load without an unload in between must not observe twice.
    stopObservingRefreshes();
    m_observedCenter = CFNotificationCenterGetLocalCenter();
    if (!m_observedCenter)
        return;
    std::weak_ptr<rt::Object> weakSelf = self;
    m_observedCenter->addObserver(this, kDataRefreshedNotification, [weakSelf](const Notification&) {
        if (auto strong = weakSelf.lock())
            static_cast<QuorvelController*>(strong.get())->ussdDataRefreshed();
    });
}

void QuorvelController::unloadView()
{
    _view = nullptr;
    _backgroundView = nullptr;
    refreshTimeLabel = nullptr;
    stopObservingRefreshes();
    // Also the current process's centre, in case the observer was added elsewhere.
    if (NotificationCenter* center = CFNotificationCenterGetLocalCenter())
        center->removeObserver(this, kDataRefreshedNotification);
}

// --- Internal operations ---

void QuorvelController::loadPreferences()
{
    WidgetGlobals& globals = widgetGlobals();
    const Value settings = readDictionary(kSettingsStorePath);

    const Value& titleColor = settings[kTitleColorKey];
    if (!titleColor.isNone()) {
        const int64_t index = titleColor.integerValue();
        QLog("Qvl: title color is set to %u", static_cast<unsigned>(index));
        globals.titleColor = colorFromTable(index).value_or(UIColor::redColor());
    } else {
        globals.titleColor = UIColor::orangeColor();
        QLog("Qvl: title color not defined");
    }

    const Value& valueColor = settings[kValueColorKey];
    globals.valueColor = valueColor.isNone() ? UIColor::whiteColor()
                                             : colorFromTable(valueColor.integerValue()).value_or(UIColor::whiteColor());

    const Value& showGridlines = settings[kShowGridlinesKey];
    globals.showGridlines = showGridlines.isNone() ? false : showGridlines.boolValue();
    globals.codesFollowSim = codesFollowSimSetting();
}

void QuorvelController::loadConfiguration()
{
    UserDefaults defaults;
    defaults.addSuiteNamed(kCodesDomain);
    defaults.synchronize();
    const Array* stored = defaults.arrayForKey(kCodesKey);
    codes = stored ? std::optional<Array>(*stored) : std::nullopt;
    QLog("Qvl: number of stored codes: %u", static_cast<unsigned>(codes ? codes->size() : 0));
}

void QuorvelController::updateFields()
{
    QLog("Qvl: updating fields...");
    loadConfiguration();
    if (codes) {
        const WidgetGlobals& globals = widgetGlobals();
        const std::vector<bool> simOut = columnsOfAbsentSims(*codes, globals.codesFollowSim);
        walkCodes(
            *codes, WalkFaults::log,
            [&](const Value& field, int g) {
                const Value& title = field[kTitleKey];
                QLog("Qvl setting title to %@", title);
                if (auto label = std::dynamic_pointer_cast<UILabel>(_view ? _view->viewWithTag(kTitleTagBase + g) : nullptr))
                    label->setText(labelText(title));
                const Value& lastValue = field[kLastValueKey];
                QLog("Qvl setting value to %@", lastValue);
                auto label = std::dynamic_pointer_cast<UILabel>(_view ? _view->viewWithTag(kValueTagBase + g) : nullptr);
                if (!label)
                    return;
                if (!globals.codesFollowSim) {
                    label->setText(labelText(lastValue));
                    return;
                }
                // A SIM may have come or gone since the layout.
                const bool out = static_cast<size_t>(g) < simOut.size() && simOut[static_cast<size_t>(g)];
                label->setText(out ? std::string(kSimNotInText) : labelText(lastValue));
                label->setTextColor(out ? UIColor::grayColor() : globals.valueColor);
            },
            [&](const Value& code) {
                if (!simIsMissing(code, globals.codesFollowSim))
                    refreshTime = code[kRefreshedAtKey].date();
            });
    }
    setRefreshLineText();
}

void QuorvelController::ussdDataRefreshed() { updateFields(); }

void QuorvelController::refreshLabelTapped()
{
    if (NotificationCenter* center = CFNotificationCenterGetLocalCenter())
        center->post(kRefreshRequestNotification, nullptr, nullptr);
}

void QuorvelController::setRefreshLineText()
{
    if (!refreshTimeLabel)
        return;
    if (refreshTime)
        refreshTimeLabel->setText("Refreshed at: " + refreshTime->formatted("HH:mm:ss") + "  \u21BB");
    else
        refreshTimeLabel->setText("Refresh \u21BB");
}

void QuorvelController::stopObservingRefreshes()
{
    if (!m_observedCenter)
        return;
    m_observedCenter->removeObserver(this, kDataRefreshedNotification);
    m_observedCenter = nullptr;
}

} // namespace quorvel
