#include "settings/SelectFieldsVC.h"

#include "common/NumberExtraction.h"
#include "common/QuorvelNames.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Process.h"
#include "platform/ui/NSValue.h"
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationController.h"
#include "settings/CodesViewController.h"
#include "settings/FormScreen.h"
#include "settings/RuntimeClasses.h"
#include "settings/WizardState.h"

namespace quorvel {

using namespace platform;

namespace {

constexpr const char* kHelpText =
    "The fields below contain all numbers detected in the USSD command response. For each number you want to display "
    "in the widget, enter its title (e.g. 'SMS sent' or 'Minutes remaining') and tap on Save to update the widget."
    "\r\n\r\n"
    "Leave the title empty for fields you do not want to see in the widget.";

constexpr double kFirstRowTop = 270;
constexpr double kRowPitch = 40;
constexpr double kFormBaseHeight = 320;

std::vector<BundleSelector> selectors()
{
    return {{"btnSaveTap", selector<SelectFieldsVC, &SelectFieldsVC::btnSaveTap>()}};
}

std::shared_ptr<UITextField> findTextFieldWithTag(const std::shared_ptr<UIView>& view, int tag)
{
    if (!view)
        return nullptr;
    if (view->tag() == tag)
        if (auto field = std::dynamic_pointer_cast<UITextField>(view))
            return field;
    for (const auto& subview : view->subviews())
        if (auto found = findTextFieldWithTag(subview, tag))
            return found;
    return nullptr;
}

} // namespace

rt::Class* SelectFieldsVC::runtimeClass()
{
    return registerBundleClass(kClassName, UIViewController::runtimeClass(),
                               [] { return rt::id(std::make_shared<SelectFieldsVC>()); }, selectors());
}

void SelectFieldsVC::unregisterRuntimeClass() { withdrawBundleClass(kClassName, selectors()); }

SelectFieldsVC::SelectFieldsVC() : UIViewController(runtimeClass()) {}

SelectFieldsVC::~SelectFieldsVC() { stopObservingKeyboard(); }

void SelectFieldsVC::registerForKeyboardNotifications()
{
    // Registered at every appearance: drop the earlier registrations first so
    // that each notification is heard once.
    stopObservingKeyboard();
    m_keyboardCenter = CFNotificationCenterGetLocalCenter();
    if (!m_keyboardCenter)
        return;
    std::weak_ptr<rt::Object> weakSelf = weak_from_this();
    m_keyboardCenter->addObserver(this, UIKeyboardDidShowNotification, [weakSelf](const Notification& n) {
        if (auto self = std::dynamic_pointer_cast<SelectFieldsVC>(weakSelf.lock()))
            self->keyboardWasShown(n);
    });
    m_keyboardCenter->addObserver(this, UIKeyboardWillHideNotification, [weakSelf](const Notification& n) {
        if (auto self = std::dynamic_pointer_cast<SelectFieldsVC>(weakSelf.lock()))
            self->keyboardWillBeHidden(n);
    });
}

void SelectFieldsVC::stopObservingKeyboard()
{
    if (m_keyboardCenter)
        m_keyboardCenter->removeObserver(this);
    m_keyboardCenter = nullptr;
}

void SelectFieldsVC::viewDidLoad() { UIViewController::viewDidLoad(); }

void SelectFieldsVC::didReceiveMemoryWarning() { UIViewController::didReceiveMemoryWarning(); }

void SelectFieldsVC::didMoveToParentViewController(UIViewController* parent)
{
    if (!parent)
        stopObservingKeyboard();
}

void SelectFieldsVC::viewWillAppear(bool)
{
    auto root = view();
    const double width = root->frame().size.width;
    const double height = root->frame().size.height;
    addGroupedBackground(root);

    scrollView = std::make_shared<UIScrollView>(CGRectMake(0, 0, width, height));
    scrollView->setShowsVerticalScrollIndicator(true);
    scrollView->setScrollEnabled(true);
    scrollView->setUserInteractionEnabled(true);
    root->setUserInteractionEnabled(true);
    scrollView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    root->addSubview(scrollView);

    tvUSSDOutput = std::make_shared<UITextView>(CGRectMake(10, 10, width - 20, 120));
    tvUSSDOutput->setBackgroundColor(UIColor::clearColor());
    tvUSSDOutput->setScrollEnabled(true);
    tvUSSDOutput->setShowsVerticalScrollIndicator(true);
    tvUSSDOutput->setEditable(false);
    tvUSSDOutput->setTextColor(UIColor::blueColor());
    tvUSSDOutput->setFont(UIFont::systemFontOfSize(13));
    tvUSSDOutput->layer().setBorderWidth(1.0);
    tvUSSDOutput->layer().setBorderColor(UIColor::grayColor());
    tvUSSDOutput->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    scrollView->addSubview(tvUSSDOutput);

    tvHelp = makeHelpTextView(CGRectMake(10, 130, width - 20, 150), kHelpText, HelpScrolling::Fixed);
    scrollView->addSubview(tvHelp);

    navigationItem().setRightBarButtonItem(
        std::make_shared<UIBarButtonItem>("Save", UIBarButtonItemStyleBordered, weak_from_this().lock(), "btnSaveTap"));
    navigationItem().setTitle(ussdCommand);
    registerForKeyboardNotifications();

    tvUSSDOutput->setText(ussdString);
    tvUSSDOutput->flashScrollIndicators();
    parsedNumbers = parseNumbers(ussdString);
}

void SelectFieldsVC::addRow(int index, const std::string& number)
{
    const double y = kFirstRowTop + kRowPitch * index;
    auto label = std::make_shared<UILabel>(CGRectMake(10, y, 85, 30));
    label->setText(number);
    label->setTextAlignment(NSTextAlignmentRight);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(UIColor::blueColor());
    label->setTag(kNumberLabelTagBase + index);
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumScaleFactor(6.0);
    scrollView->addSubview(label);

    auto field = std::make_shared<UITextField>(CGRectMake(105, y, 205, 30));
    field->setTextColor(UIColor::blackColor());
    field->setTextAlignment(NSTextAlignmentLeft);
    field->setBackgroundColor(UIColor::whiteColor());
    field->setTag(kTitleFieldTagBase + index);
    field->setPlaceholder("Enter field title");
    field->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    field->setDelegate(selfAs<UITextFieldDelegate>());
    field->setBorderStyle(UITextBorderStyleRoundedRect);
    scrollView->addSubview(field);
}

std::vector<std::string> SelectFieldsVC::parseNumbers(const std::string& text)
{
    QLog("Qvl: parsing numbers from string %@...", text);
    std::vector<std::string> list;
    for (const std::string& number : extractNumbers(text)) {
        list.push_back(number);
        QLog("Qvl: found number: %@", number);
        if (scrollView)
            addRow(static_cast<int>(list.size()) - 1, number);
    }
    if (scrollView)
        scrollView->setContentSize(CGSizeMake(view()->frame().size.width,
                                              kFormBaseHeight + kRowPitch * static_cast<double>(list.size())));
    return list;
}

std::shared_ptr<UITextField> SelectFieldsVC::titleFieldForRow(int row) const
{
    return isViewLoaded() ? findTextFieldWithTag(const_cast<SelectFieldsVC*>(this)->view(), kTitleFieldTagBase + row) : nullptr;
}

void SelectFieldsVC::keyboardWasShown(const Notification& notification)
{
    const auto begin = NSValue::rectIn(notification.userInfo, UIKeyboardFrameBeginUserInfoKey);
    if (!begin || !scrollView)
        return;
    auto root = view();
    const CGRect keyboard = root->convertRectFromView(*begin, nullptr);
    const double k = keyboard.size.height;
    const UIEdgeInsets insets = UIEdgeInsetsMake(0, 0, k, 0);
    scrollView->setContentInset(insets);
    scrollView->setScrollIndicatorInsets(insets);
    CGRect visible = root->frame();
    visible.size.height -= k;
    if (activeField && !CGRectContainsPoint(visible, activeField->frame().origin))
        scrollView->setContentOffset(CGPointMake(0, activeField->frame().origin.y - k + 70), true);
}

void SelectFieldsVC::keyboardWillBeHidden(const Notification&)
{
    if (!scrollView)
        return;
    scrollView->setContentInset(UIEdgeInsets{});
    scrollView->setScrollIndicatorInsets(UIEdgeInsets{});
}

void SelectFieldsVC::textFieldDidBeginEditing(UITextField& field)
{
    activeField = std::dynamic_pointer_cast<UITextField>(field.weak_from_this().lock());
}

void SelectFieldsVC::textFieldDidEndEditing(UITextField&)
{
    activeField = nullptr;
}

void SelectFieldsVC::btnSaveTap()
{
    newFields = Array{};
    numberOfRows = static_cast<int>(parsedNumbers.size());
    for (int i = 0; i < numberOfRows; ++i) {
        auto field = titleFieldForRow(i);
        const std::string title = field ? field->text() : std::string();
        if (title.empty())
            continue;
        QLog("Qvl: Got field with title %@", title);
        newFields.push_back(Dict{{kTitleKey, title}, {kIndexKey, i}});
    }
    if (!newFields.empty()) {
        std::make_shared<UIAlertView>(
            "Notice",
            "Please note that some carriers/banks may charge you for USSD messages; if in doubt, verify with them before "
            "enabling autorefresh.",
            selfAs<UIAlertViewDelegate>(), "OK")
            ->show();
    } else {
        QLog("Qvl: Save was tapped but no titles were entered!");
        std::make_shared<UIAlertView>("Error", "Please enter at least one field title before saving.", nullptr, "OK")->show();
    }
}

void SelectFieldsVC::alertViewClickedButtonAtIndex(UIAlertView&, int)
{
    Array codes;
    if (const auto stored = readDictionaryIfPresent(kCodesStorePath)) {
        auto existing = stored->find(kCodesKey);
        if (existing != stored->end() && existing->second.array())
            codes = *existing->second.array();
        else
            QLog("Qvl: got nil array");
    } else {
        QLog("Qvl: got nil dictionary");
    }
    QLog("Qvl: number of stored codes: %u", static_cast<unsigned>(codes.size()));

    Dict record{{kUssdCodeKey, ussdCommand}, {kFieldsKey, newFields}, {kExpectedNumbersKey, numberOfRows}};
    if (smsSender)
        record[kSmsSenderKey] = *smsSender;
    if (const std::optional<std::string>& sim = wizardState().dialledSim)
        record[kSimIdKey] = *sim;
    codes.push_back(record);
    writeDictionaryAtomically(kCodesStorePath, Dict{{kCodesKey, codes}});

    auto nav = navigationController();
    if (!nav)
        return;
    for (const auto& controller : nav->viewControllers())
        if (dynamic_cast<CodesViewController*>(controller.get()))
            nav->popToViewController(controller.get(), true);
}

} // namespace quorvel
