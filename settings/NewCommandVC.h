// The first screen of the add-code wizard: the user types a command, says
// whether the carrier answers by SMS, and taps "Next"; the wizard then dials
// the command itself and, when the answer comes, opens the field-title screen.
//
// A USSD answer comes as a telephony notification to this process; an SMS
// answer is caught by the engine in SpringBoard and handed over through the
// SMS hand-off file and a Darwin notification. Before the dial the engine is
// told (Darwin) so that it hides the carrier's pop-up without taking the
// reply as its own.
#pragma once

#include "platform/notify/NotificationCenter.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITextView.h"
#include "platform/ui/UIViewController.h"

#include <memory>
#include <optional>
#include <string>

namespace quorvel {

class NewCommandVC : public platform::UIViewController {
public:
    static constexpr const char* kClassName = "NewCommandVC";
    static constexpr int kSmsSwitchTag = 300;

    NewCommandVC();
    ~NewCommandVC() override;

    static rt::Class* runtimeClass();
    static void unregisterRuntimeClass();

    void viewDidLoad() override;
    // Enables "Next" again (coming back from the field-title screen).
    void viewWillAppear(bool animated) override;
    void btnNextTap();

    // The command text field.
    std::shared_ptr<platform::UITextField> tfUSSDCommand;

private:
    std::shared_ptr<platform::UITextView> tvHelp;
};

// The two reply callbacks (telephony centre and Darwin centre).
void wizardUssdReplyCallback(platform::CFNotificationCenterRef center, void* observer, const std::string& name,
                             const void* object, const platform::Dict* userInfo);
void wizardSmsReplyCallback(platform::CFNotificationCenterRef center, void* observer, const std::string& name,
                            const void* object, const platform::Dict* userInfo);

// Pushes the field-title screen onto the navigation stack of refToSelf, if
// it is on one.
void pushFieldTitleScreen(const std::string& command, const std::string& answer, const std::optional<std::string>& sender);

} // namespace quorvel
