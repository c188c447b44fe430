// The second screen of the add-code wizard: shows the carrier's answer,
// one row per number found in it (the number and an empty title field),
// and on "Save" (after a notice about charges) appends the new code record
// to the codes store and returns to the codes list.
//
// Row i is a label tagged 200 + i and a title field tagged 100 + i. "Save"
// looks the title fields up among text fields only, so an answer with 100
// numbers or more, whose tags then meet the labels', still saves the titles
// the user typed. The keyboard observers registered when the screen appears
// end when it leaves the navigation stack (or goes away), so a later screen
// never hears keyboard notifications on its behalf.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIScrollView.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITextView.h"
#include "platform/ui/UIViewController.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class SelectFieldsVC : public platform::UIViewController,
                       public platform::UITextFieldDelegate,
                       public platform::UIAlertViewDelegate {
public:
    static constexpr const char* kClassName = "SelectFieldsVC";
    static constexpr int kTitleFieldTagBase = 100;
    static constexpr int kNumberLabelTagBase = 200;

    SelectFieldsVC();
    ~SelectFieldsVC() override;

    static rt::Class* runtimeClass();
    static void unregisterRuntimeClass();

    // Set by the command screen before the push.
    std::string ussdCommand;
    std::string ussdString;
    std::optional<std::string> smsSender;

    void registerForKeyboardNotifications();
    void viewDidLoad() override;
    // Builds the whole screen (does not call the base class).
    void viewWillAppear(bool animated) override;
    void didReceiveMemoryWarning() override;
    void didMoveToParentViewController(platform::UIViewController* parent) override;
    void keyboardWasShown(const platform::Notification& notification);
    void keyboardWillBeHidden(const platform::Notification& notification);
    void textFieldDidBeginEditing(platform::UITextField& field) override;
    void textFieldDidEndEditing(platform::UITextField& field) override;
    std::vector<std::string> parseNumbers(const std::string& text);
    void btnSaveTap();
    void alertViewClickedButtonAtIndex(platform::UIAlertView& alertView, int buttonIndex) override;

    // The title field of row i (among text fields only), or nullptr.
    std::shared_ptr<platform::UITextField> titleFieldForRow(int row) const;

    std::shared_ptr<platform::UIScrollView> scrollView;
    std::shared_ptr<platform::UITextView> tvUSSDOutput;
    std::shared_ptr<platform::UITextView> tvHelp;
    std::vector<std::string> parsedNumbers;
    std::shared_ptr<platform::UITextField> activeField;
    platform::Array newFields;
    int numberOfRows = 0;

private:
    void stopObservingKeyboard();
    void addRow(int index, const std::string& number);

    platform::NotificationCenter* m_keyboardCenter = nullptr;
};

} // namespace quorvel
