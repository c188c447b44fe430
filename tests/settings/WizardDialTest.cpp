// The command screen of the add-code wizard: its layout, the checks before
// a dial, the order of what the engine hears, and the USSD and SMS answers.
#include "platform/ui/UILabel.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITextView.h"
#include "tests/settings/SettingsFixture.h"

namespace {

using namespace platform;
using namespace settings_test;

using Wizard = SettingsFixture;

TEST_F(Wizard, CommandScreenLayout)
{
    auto screen = openWizard();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->navigationItem().title(), "Add New Code");
    auto next = screen->navigationItem().rightBarButtonItem();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->title(), "Next");
    EXPECT_EQ(next->style(), UIBarButtonItemStyleBordered);
    EXPECT_TRUE(next->isEnabled());

    auto field = screen->tfUSSDCommand;
    EXPECT_EQ(field->frame(), CGRectMake(10, 10, 300, 30));
    EXPECT_EQ(field->placeholder(), "Enter USSD command");
    EXPECT_EQ(field->keyboardType(), UIKeyboardTypePhonePad);
    EXPECT_EQ(field->clearButtonMode(), UITextFieldViewModeAlways);
    EXPECT_EQ(field->textAlignment(), NSTextAlignmentCenter);
    EXPECT_EQ(field->borderStyle(), UITextBorderStyleRoundedRect);
    EXPECT_TRUE(field->isFirstResponder()) << "the keypad is up when the screen opens";
    EXPECT_TRUE(app->isKeyboardVisible());

    auto sw = std::dynamic_pointer_cast<UISwitch>(screen->view()->viewWithTag(300));
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->frame(), CGRectMake(235, 46, 79, 27));
    EXPECT_FALSE(sw->isOn());
    // The view loads at the application frame's height (460) under a 44-point bar.
    std::shared_ptr<UITextView> help;
    for (const auto& v : screen->view()->subviews())
        if (auto tv = std::dynamic_pointer_cast<UITextView>(v))
            help = tv;
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->frame(), CGRectMake(10, 75, 300, 460 - 44 - 300));
    EXPECT_EQ(help->font(), UIFont::systemFontOfSize(12));
    EXPECT_NE(help->text().find("Session Init Time"), std::string::npos);
    EXPECT_NE(help->text().find(".\r\n\r\nTo go straight"), std::string::npos);
    EXPECT_EQ(quorvel::wizardState().refToSelf, screen);
}

TEST_F(Wizard, EmptyCommandShowsErrorAndDialsNothing)
{
    auto screen = openWizard();
    dialFromWizard(*screen, "");
    auto alert = topAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "Please enter an USSD command in the text field before continuing.");
    EXPECT_EQ(alert->buttonTitles(), std::vector<std::string>{"OK"});
    EXPECT_EQ(alert->delegate(), nullptr);
    EXPECT_TRUE(screen->navigationItem().rightBarButtonItem()->isEnabled());
    EXPECT_TRUE(carrier.dials.empty());
    EXPECT_TRUE(device.darwinCenter().postedNames().empty());
    EXPECT_EQ(settings.telephonyCenter().observerCount(kCTUSSDSessionStringNotification), 0u);
}

TEST_F(Wizard, CommandIsDialledExactlyAsTyped)
{
    const char* commands[] = {"*123*2*1#", " *100# ", "abc"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        carrier.dials.clear();
        auto screen = openWizard();
        dialFromWizard(*screen, command);
        ASSERT_EQ(carrier.dials.size(), 1u);
        EXPECT_EQ(carrier.dials[0].number, command);
        EXPECT_EQ(carrier.dials[0].process, "Preferences");
        EXPECT_TRUE(logged(std::string("Qvl: dialing ") + command + "..."));
        EXPECT_EQ(quorvel::wizardState().ussdCodeNumber, command);
        EXPECT_FALSE(screen->navigationItem().rightBarButtonItem()->isEnabled());
        nav->popToRootViewControllerAnimated(false);
        deliverUssd("done");
    }
}

TEST_F(Wizard, EngineHearsOfTheDialBeforeItStarts)
{
    struct Case {
        bool bySms;
        std::vector<std::string> before;
    };
    const Case cases[] = {
        {false, {quorvel::kUssdSentNotification}},
        {true, {quorvel::kExpectSmsReplyNotification, quorvel::kUssdSentNotification}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bySms ? "SMS" : "USSD");
        carrier.dials.clear();
        const size_t postedSoFar = device.darwinCenter().postedNames().size();
        auto screen = openWizard();
        dialFromWizard(*screen, "*100#", c.bySms);
        ASSERT_EQ(carrier.dials.size(), 1u);
        const auto& posted = carrier.dials[0].postedBefore;
        EXPECT_EQ(std::vector<std::string>(posted.begin() + static_cast<long>(postedSoFar), posted.end()), c.before);
        // With the switch on, the reply is awaited only on the Darwin centre.
        EXPECT_EQ(settings.telephonyCenter().observerCount(kCTUSSDSessionStringNotification), c.bySms ? 0u : 1u);
        EXPECT_TRUE(logged(c.bySms ? "Qvl: waiting for SMS reply..." : "Qvl: waiting for USSD reply..."));
        deliverUssd("clear");
        nav->popToRootViewControllerAnimated(false);
    }
}

TEST_F(Wizard, FirstUssdDeliveryOpensTheFieldTitleScreenOnce)
{
    auto screen = openWizard();
    dialFromWizard(*screen, "*100#");
    deliverUssd("Balance 12.50 rub");
    auto titles = fieldTitleScreen();
    ASSERT_NE(titles, nullptr);
    EXPECT_EQ(titles->ussdCommand, "*100#");
    EXPECT_EQ(titles->ussdString, "Balance 12.50 rub");
    EXPECT_FALSE(titles->smsSender.has_value());
    EXPECT_TRUE(logged("Qvl: received CT USSD string"));
    EXPECT_TRUE(logged("Qvl: got USSD message: Balance 12.50 rub"));
    EXPECT_EQ(settings.telephonyCenter().observerCount(kCTUSSDSessionStringNotification), 0u);

    deliverUssd("a second message");
    EXPECT_EQ(nav->viewControllers().size(), 3u) << "a later delivery pushes nothing";
    EXPECT_EQ(countLogged("Qvl: received CT USSD string"), 1u);
}

TEST_F(Wizard, UssdDeliveryWithoutTextPushesNothing)
{
    auto screen = openWizard();
    dialFromWizard(*screen, "*100#");
    deliverUssd(std::nullopt);
    EXPECT_TRUE(logged("Qvl: received nil USSD string"));
    EXPECT_EQ(nav->topViewController(), screen);
    EXPECT_FALSE(screen->navigationItem().rightBarButtonItem()->isEnabled()) << "the screen keeps waiting";
}

TEST_F(Wizard, NextIsEnabledAgainOnComingBackAndTheSwitchKeepsItsPosition)
{
    auto screen = openWizard();
    dialFromWizard(*screen, "*100#", true);
    handOverSms(Dict{{"text", "Bonus 300"}, {"id", "900"}});
    ASSERT_NE(fieldTitleScreen(), nullptr);
    EXPECT_FALSE(screen->navigationItem().rightBarButtonItem()->isEnabled());
    nav->popViewControllerAnimated(true);
    EXPECT_EQ(nav->topViewController(), screen);
    EXPECT_TRUE(screen->navigationItem().rightBarButtonItem()->isEnabled());
    EXPECT_TRUE(std::dynamic_pointer_cast<UISwitch>(screen->view()->viewWithTag(300))->isOn());
}

TEST_F(Wizard, SmsAnswerOpensTheScreenWithTheSender)
{
    auto screen = openWizard();
    dialFromWizard(*screen, "*102#", true);
    deliverUssd("Your request is being processed");
    EXPECT_EQ(nav->topViewController(), screen) << "a USSD text does not answer an SMS dial";
    handOverSms(Dict{{"text", "Balance 12.50"}, {"id", "+7900"}});
    auto titles = fieldTitleScreen();
    ASSERT_NE(titles, nullptr);
    EXPECT_EQ(titles->ussdCommand, "*102#");
    EXPECT_EQ(titles->ussdString, "Balance 12.50");
    EXPECT_EQ(titles->smsSender, std::optional<std::string>("+7900"));
    EXPECT_TRUE(logged("Qvl: got the SMS received notification"));
}

TEST_F(Wizard, IncompleteHandOffFileGivesErrorTenOrEleven)
{
    struct Case {
        const char* name;
        Dict handoff;
        const char* message;
    };
    const Case cases[] = {
        {"neither", Dict{}, "Error 10 while parsing  SMS reply."},
        {"no text", Dict{{"id", "900"}}, "Error 10 while parsing  SMS reply."},
        {"no id", Dict{{"text", "Balance 5"}}, "Error 11 while parsing  SMS reply."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto screen = openWizard();
        dialFromWizard(*screen, "*102#", true);
        handOverSms(c.handoff);
        auto alert = topAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title(), "Error");
        EXPECT_EQ(alert->message(), c.message);
        EXPECT_EQ(alert->buttonTitles(), std::vector<std::string>{"OK"});
        EXPECT_EQ(nav->topViewController(), screen);
        alert->tapButtonTitled("OK");
        nav->popToRootViewControllerAnimated(false);
    }
}

TEST_F(Wizard, EachSmsReplyOpensOneScreenHoweverManySmsDials)
{
    auto screen = openWizard();
    dialFromWizard(*screen, "*102#", true);
    nav->popToRootViewControllerAnimated(false);
    screen = openWizard();
    dialFromWizard(*screen, "*103#", true);
    EXPECT_EQ(device.darwinCenter().observerCount(quorvel::kSmsReplyStoredNotification), 1u);
    handOverSms(Dict{{"text", "Bonus 300"}, {"id", "900"}});
    ASSERT_EQ(nav->viewControllers().size(), 3u) << "one push for one reply";
    EXPECT_EQ(fieldTitleScreen()->ussdCommand, "*103#");
    EXPECT_EQ(countLogged("Qvl: got the SMS received notification"), 1u);
}

TEST_F(Wizard, LateAnswerAfterLeavingGoesOnTopOfTheNewCommandScreen)
{
    auto first = openWizard();
    dialFromWizard(*first, "*100#");
    nav->popViewControllerAnimated(true);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    auto second = openWizard();
    deliverUssd("Balance 1");
    auto titles = fieldTitleScreen();
    ASSERT_NE(titles, nullptr);
    EXPECT_EQ(nav->viewControllers().at(1), second);
    EXPECT_EQ(titles->ussdCommand, "*100#") << "the earlier command goes with its answer";
}

} // namespace
