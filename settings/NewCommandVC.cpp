#include "settings/NewCommandVC.h"

#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/telephony/CoreTelephony.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationBar.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UISwitch.h"
#include "settings/FormScreen.h"
#include "settings/RuntimeClasses.h"
#include "settings/SelectFieldsVC.h"
#include "settings/WizardState.h"

namespace quorvel {

using namespace platform;

namespace {

constexpr const char* kHelpText =
    "Enter the USSD command (e.g. *123#), press Next once to dial it and wait a couple of seconds for the reply. The "
    "next screen will open after the reply is received. If you do not receive a reply, please increase Session Init "
    "Time slightly in the Settings before trying again."
    "\r\n\r\n"
    "To go straight to a command submenu, try entering the menu option numbers before the end # symbol, separated by "
    "* symbols. E.g. if the command is *123#, and you want to select 2nd menu option and then 1st menu option, enter: "
    "*123*2*1# (may not work with some mobile providers).";

std::vector<BundleSelector> selectors()
{
    return {{"btnNextTap", selector<NewCommandVC, &NewCommandVC::btnNextTap>()}};
}

void showError(const std::string& message)
{
    std::make_shared<UIAlertView>("Error", message, nullptr, "OK")->show();
}

} // namespace

rt::Class* NewCommandVC::runtimeClass()
{
    return registerBundleClass(kClassName, UIViewController::runtimeClass(),
                               [] { return rt::id(std::make_shared<NewCommandVC>()); }, selectors());
}

void NewCommandVC::unregisterRuntimeClass() { withdrawBundleClass(kClassName, selectors()); }

NewCommandVC::NewCommandVC() : UIViewController(runtimeClass()) {}

NewCommandVC::~NewCommandVC() = default;

void NewCommandVC::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto root = view();
    const double width = root->frame().size.width;
    const double height = root->frame().size.height;
    addGroupedBackground(root);

    tfUSSDCommand = std::make_shared<UITextField>(CGRectMake(10, 10, width - 20, 30));
    tfUSSDCommand->setPlaceholder("Enter USSD command");
    tfUSSDCommand->setBackgroundColor(UIColor::whiteColor());
    tfUSSDCommand->setBorderStyle(UITextBorderStyleRoundedRect);
    tfUSSDCommand->setKeyboardType(UIKeyboardTypePhonePad);
    tfUSSDCommand->setClearButtonMode(UITextFieldViewModeAlways);
    tfUSSDCommand->setTextAlignment(NSTextAlignmentCenter);
    tfUSSDCommand->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    tfUSSDCommand->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    root->addSubview(tfUSSDCommand);
    tfUSSDCommand->becomeFirstResponder();

    auto label = std::make_shared<UILabel>(CGRectMake(15, 45, width - 80, 30));
    label->setFont(label->font().fontWithSize(12));
    label->setBackgroundColor(UIColor::clearColor());
    label->setText("Receive reply in SMS message:");
    root->addSubview(label);

    auto smsSwitch = std::make_shared<UISwitch>(CGRectMake(width - 85, 46, 79, 27));
    smsSwitch->setOn(false, false);
    smsSwitch->setTag(kSmsSwitchTag);
    root->addSubview(smsSwitch);

    auto nav = navigationController();
    const double barHeight = nav ? nav->navigationBar()->frame().size.height : 0;
    tvHelp = makeHelpTextView(CGRectMake(10, 75, width - 20, height - 30 - 240 - barHeight - 30), kHelpText,
                              HelpScrolling::Scrolls);
    root->addSubview(tvHelp);

    navigationItem().setRightBarButtonItem(
        std::make_shared<UIBarButtonItem>("Next", UIBarButtonItemStyleBordered, weak_from_this().lock(), "btnNextTap"));
    navigationItem().setTitle("Add New Code");
    wizardState().refToSelf = selfAs<NewCommandVC>();
}

void NewCommandVC::viewWillAppear(bool)
{
    if (const auto& next = navigationItem().rightBarButtonItem())
        next->setEnabled(true);
}

void NewCommandVC::btnNextTap()
{
    const std::string command = tfUSSDCommand ? tfUSSDCommand->text() : std::string();
    if (command.empty()) {
        showError("Please enter an USSD command in the text field before continuing.");
        return;
    }
    if (const auto& next = navigationItem().rightBarButtonItem())
        next->setEnabled(false);

    auto smsSwitch = std::dynamic_pointer_cast<UISwitch>(view()->viewWithTag(kSmsSwitchTag));
    CFNotificationCenterRef darwin = CFNotificationCenterGetDarwinNotifyCenter();
    if (smsSwitch && smsSwitch->isOn()) {
        QLog("Qvl: waiting for SMS reply...");
        WizardState& state = wizardState();
        if (!state.smsObserverRegistered) {
            CFNotificationCenterAddObserver(darwin, nullptr, &wizardSmsReplyCallback, kSmsReplyStoredNotification, nullptr,
                                            CFNotificationSuspensionBehaviorDeliverImmediately);
            state.smsObserverRegistered = true;
        }
        CFNotificationCenterPostNotification(darwin, kExpectSmsReplyNotification, nullptr, nullptr, true);
    } else {
        QLog("Qvl: waiting for USSD reply...");
        CTTelephonyCenterAddObserver(CTTelephonyCenterGetDefault(), nullptr, &wizardUssdReplyCallback,
                                     kCTUSSDSessionStringNotification, nullptr, CFNotificationSuspensionBehaviorHold);
    }
    QLog("Qvl: dialing %@...", command);
    wizardState().ussdCodeNumber = command;
    wizardState().dialledSim = codesFollowSimSetting() ? simToRecord() : std::nullopt;
    CFNotificationCenterPostNotification(darwin, kUssdSentNotification, nullptr, nullptr, true);
    CTCallDial(command);
}

void pushFieldTitleScreen(const std::string& command, const std::string& answer, const std::optional<std::string>& sender)
{
    auto screen = std::make_shared<SelectFieldsVC>();
    screen->ussdCommand = command;
    screen->ussdString = answer;
    screen->smsSender = sender;
    auto commandScreen = wizardState().refToSelf;
    auto nav = commandScreen ? commandScreen->navigationController() : nullptr;
    if (nav)
        nav->pushViewController(screen, true);
}

void wizardUssdReplyCallback(CFNotificationCenterRef, void*, const std::string&, const void*, const Dict* userInfo)
{
    QLog("Qvl: received CT USSD string");
    CTTelephonyCenterRemoveObserver(CTTelephonyCenterGetDefault(), nullptr, kCTUSSDSessionStringNotification, nullptr);
    auto reply = userInfo ? userInfo->find(kCTUSSDSessionString) : Dict::const_iterator();
    if (!userInfo || reply == userInfo->end() || reply->second.isNone()) {
        QLog("Qvl: received nil USSD string");
        return;
    }
    const std::string text = reply->second.description();
    QLog("Qvl: got USSD message: %@", text);
    pushFieldTitleScreen(wizardState().ussdCodeNumber, text, std::nullopt);
}

void wizardSmsReplyCallback(CFNotificationCenterRef, void*, const std::string&, const void*, const Dict*)
{
    QLog("Qvl: got the SMS received notification");
    const Dict handoff = readDictionary(kSmsHandoffPath);
    auto text = handoff.find(kHandoffTextKey);
    if (text == handoff.end()) {
        showError("Error 10 while parsing  SMS reply.");
        return;
    }
    auto sender = handoff.find(kHandoffIdKey);
    if (sender == handoff.end()) {
        showError("Error 11 while parsing  SMS reply.");
        return;
    }
    pushFieldTitleScreen(wizardState().ussdCodeNumber, text->second.description(), sender->second.description());
}

} // namespace quorvel
