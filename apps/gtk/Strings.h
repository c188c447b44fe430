// Every text the app shows, in one place and each wrapped in _() so that
// gettext can take them over later (xgettext --keyword=_): define _ as
// gettext before including this header and the texts are translated.
// Texts with parts filled in use %s, replaced by fill() in logic/Text.h, which
// never interprets the values (a reply holding "%s" stays as it is).
#pragma once

#ifndef _
#define _(text) (text)
#endif

#define QUORVEL_TEXT(name, text) \
    inline const char* name() { return _(text); }

namespace quorvelapp::text {

// The command line
QUORVEL_TEXT(optionVersion, "Print the version and exit")
QUORVEL_TEXT(optionWindowSize, "Open the window at this size (at least 360x320)")
QUORVEL_TEXT(noSessionBus, "the session bus cannot be reached")
QUORVEL_TEXT(badWindowSize, "--window-size takes WIDTHxHEIGHT, at least 360x320: the window opens at its usual size")

// The window and its pages
QUORVEL_TEXT(appTitle, "Quorvel")
QUORVEL_TEXT(figuresPage, "Figures")
QUORVEL_TEXT(codesPage, "Codes")
QUORVEL_TEXT(preferencesPage, "Preferences")
QUORVEL_TEXT(refresh, "Refresh")
QUORVEL_TEXT(addCode, "Add a Code")
QUORVEL_TEXT(refreshAsked, "Refresh asked for")
QUORVEL_TEXT(refreshFailed, "Refresh failed: %s")

// The daemon's state
QUORVEL_TEXT(stateGroup, "Status")
QUORVEL_TEXT(stateIdle, "Ready")
QUORVEL_TEXT(stateIdleHint, "The figures are refreshed on the daemon's schedule, or now with Refresh.")
QUORVEL_TEXT(stateDialling, "Dialling %s…")
QUORVEL_TEXT(stateWaitingForSms, "Waiting for an SMS from %s…")
QUORVEL_TEXT(stateWaitingForSmsHint, "The reply to %s comes by SMS.")
QUORVEL_TEXT(stateWaitingForAnySms, "Waiting for an SMS reply to %s…")
QUORVEL_TEXT(stateNoModem, "No modem")
QUORVEL_TEXT(stateNoModemHint,
             "ModemManager drives no modem that can dial USSD codes. Check that it runs "
             "(systemctl status ModemManager) and that the modem is connected.")
QUORVEL_TEXT(stateModemUnavailable, "The modem is disabled or its SIM is locked")
QUORVEL_TEXT(stateModemUnavailableHint,
             "Switch mobile data on, or enter the SIM's PIN, in the phone's settings; "
             "the refresh that fell due runs then.")
QUORVEL_TEXT(stateNotAuthorised, "Not allowed to use the modem")
QUORVEL_TEXT(stateNotAuthorisedHint,
             "polkit must allow your user the actions org.freedesktop.ModemManager1.USSD and "
             "org.freedesktop.ModemManager1.Messaging: run quorveld in your graphical session "
             "(systemctl --user), or grant them with a polkit rule.")
QUORVEL_TEXT(stateNotRunning, "quorveld is not running")
QUORVEL_TEXT(stateNotRunningHint, "Start it, and have it start with every session, with:")
QUORVEL_TEXT(startCommand, "systemctl --user enable --now quorvel")
QUORVEL_TEXT(stateOther, "Daemon state: %s")

// Figures
QUORVEL_TEXT(noCodesTitle, "No Codes Yet")
QUORVEL_TEXT(noCodesHint, "Add a code your carrier answers with figures, such as *100#.")
QUORVEL_TEXT(neverRefreshed, "Never refreshed")
QUORVEL_TEXT(refreshedToday, "Refreshed at %s")
QUORVEL_TEXT(refreshedOn, "Refreshed on %s")
// g_date_time_format() formats
QUORVEL_TEXT(timeToday, "%H:%M")
QUORVEL_TEXT(timeThisYear, "%-d %b at %H:%M")
QUORVEL_TEXT(timeOtherYear, "%-d %b %Y at %H:%M")
QUORVEL_TEXT(refreshedUnknown, "Refreshed at an unknown time")
QUORVEL_TEXT(noValue, "no value yet")
QUORVEL_TEXT(lastReply, "Last reply")
QUORVEL_TEXT(noReplyYet, "No reply heard yet")
QUORVEL_TEXT(byUssd, "Reply by USSD")
QUORVEL_TEXT(bySmsFrom, "Reply by SMS from %s")
QUORVEL_TEXT(cannotReadCodes, "The codes cannot be read: %s")

// Add a code
QUORVEL_TEXT(cancel, "Cancel")
QUORVEL_TEXT(save, "Save")
QUORVEL_TEXT(codeGroup, "Code")
QUORVEL_TEXT(codeGroupHint, "Only digits, * # and + are taken.")
QUORVEL_TEXT(codeEntry, "Code")
QUORVEL_TEXT(replyBySms, "Reply by SMS")
QUORVEL_TEXT(replyBySmsHint, "The carrier answers with a text message rather than on screen")
QUORVEL_TEXT(dial, "Dial")
QUORVEL_TEXT(dialling, "Dialling %s…")
QUORVEL_TEXT(waitingForSms, "Dialled %s, waiting for the SMS reply…")
QUORVEL_TEXT(dialFailed, "The dial failed: %s")
QUORVEL_TEXT(replyGroup, "Reply")
QUORVEL_TEXT(smsSender, "SMS sender")
QUORVEL_TEXT(numbersGroup, "Numbers Found")
QUORVEL_TEXT(numbersGroupHint, "Give a title to each number to show; an untitled one is not shown.")
QUORVEL_TEXT(noNumbers, "The reply holds no numbers: there is nothing to show from this code.")
QUORVEL_TEXT(numberTitle, "Title for %s")
QUORVEL_TEXT(needOneTitle, "Give at least one number a title")
QUORVEL_TEXT(saveFailed, "Not saved: %s")
QUORVEL_TEXT(saved, "Saved %s")

// A code's menus, while adding it
QUORVEL_TEXT(menuGroup, "Menu")
QUORVEL_TEXT(menuGroupHint, "The carrier waits for a choice: type the one the menu gives for your figures and send it.")
QUORVEL_TEXT(menuText, "Menu")
QUORVEL_TEXT(menuChoice, "Your Choice")
QUORVEL_TEXT(sendChoice, "Send")
QUORVEL_TEXT(sendingChoice, "Sending %s…")
QUORVEL_TEXT(menuPathSoFar, "Choices so far")
QUORVEL_TEXT(menuPathFull, "A menu path holds at most 10 choices: this code cannot be added.")
QUORVEL_TEXT(menuEnded, "The menu ended: %s")
QUORVEL_TEXT(menuChoices, "Menu choices")

// The SIM a code belongs to
QUORVEL_TEXT(simNotIn, "SIM not in")
QUORVEL_TEXT(simEnding, "SIM …%s")
QUORVEL_TEXT(simOfNetwork, "SIM of network %s")
QUORVEL_TEXT(simRow, "SIM")
QUORVEL_TEXT(anySim, "Any SIM")
QUORVEL_TEXT(bindToSim, "Bind %s to This SIM")
QUORVEL_TEXT(boundToSim, "%s now belongs to %s")
QUORVEL_TEXT(bindFailed, "%s was not bound: %s")

// Codes
QUORVEL_TEXT(codesGroup, "Stored Codes")
QUORVEL_TEXT(codesGroupHint, "Open a code to see its fields and last reply.")
QUORVEL_TEXT(deleteCode, "Delete %s")
QUORVEL_TEXT(deleted, "Deleted %s")
QUORVEL_TEXT(undo, "Undo")
QUORVEL_TEXT(deleteFailed, "%s was not deleted: %s")
QUORVEL_TEXT(noLongerStored, "it is no longer stored")
QUORVEL_TEXT(fieldsGroup, "Fields")
QUORVEL_TEXT(fieldRow, "Number %s: %s")
QUORVEL_TEXT(expectedNumbers, "Numbers in its reply")
QUORVEL_TEXT(lastRefresh, "Last refresh")
QUORVEL_TEXT(close, "Close")

// Preferences
QUORVEL_TEXT(settingsGroup, "Settings")
QUORVEL_TEXT(settingsGroupHint, "Stored by quorveld, as the phone's Settings page stores them.")
QUORVEL_TEXT(settingFailed, "%s was not changed: %s")
QUORVEL_TEXT(cannotReadSettings, "The settings cannot be read: %s")

// A field's history: the change since last, its chart and its alerts
QUORVEL_TEXT(changeSince, "%s since %s")
QUORVEL_TEXT(changeWasText, "was \u201c%s\u201d at %s")
// g_date_time_format() formats for the change's time (as the browser page writes it)
QUORVEL_TEXT(changeTimeToday, "%H:%M")
QUORVEL_TEXT(changeTimeThisYear, "%-d %b %H:%M")
QUORVEL_TEXT(changeTimeOtherYear, "%Y-%m-%d %H:%M")
QUORVEL_TEXT(openField, "%s: chart and alerts")
QUORVEL_TEXT(chartGroup, "Last 30 Days")
QUORVEL_TEXT(chartDateFormat, "%-d %b")
QUORVEL_TEXT(chartTimeFormat, "%H:%M")
QUORVEL_TEXT(chartNoValues, "%s over 30 days: no values")
QUORVEL_TEXT(chartEmpty, "No values in the last 30 days")
QUORVEL_TEXT(chartOneValue, "%s over 30 days: %s, one refresh")
QUORVEL_TEXT(chartFromTo, "%s over 30 days: from %s to %s")
QUORVEL_TEXT(chartLowest, ", lowest %s")
QUORVEL_TEXT(chartCannotRead, "The history cannot be read: %s")
QUORVEL_TEXT(alertsGroup, "Alerts")
QUORVEL_TEXT(alertsGroupHint, "quorveld sends a notification once when a limit is crossed, and again only after it was not.")
QUORVEL_TEXT(alertBelow, "Below a limit")
QUORVEL_TEXT(alertBelowLimit, "Limit for %s")
QUORVEL_TEXT(alertFalling, "Falling faster than")
QUORVEL_TEXT(alertFallingHint, "An amount a day, over the last 3 days")
QUORVEL_TEXT(alertFallingLimit, "Fall a day for %s")
QUORVEL_TEXT(alertStale, "No refresh for")
QUORVEL_TEXT(alertStaleHint, "Hours without a successful refresh")
QUORVEL_TEXT(alertStaleLimit, "Hours without a refresh for %s")
QUORVEL_TEXT(alertSwitch, "%s: %s")
QUORVEL_TEXT(alertBelowSummary, "below %s")
QUORVEL_TEXT(alertFallingSummary, "falling faster than %s a day")
QUORVEL_TEXT(alertStaleSummary, "no refresh for %s hours")
QUORVEL_TEXT(alertsSet, "Alerts: %s")
QUORVEL_TEXT(alertNotSet, "The alert was not changed: %s")
QUORVEL_TEXT(alertsCannotRead, "The alerts cannot be read: %s")
QUORVEL_TEXT(alertBelowProblem, "a below limit must be a number within a trillion")
QUORVEL_TEXT(alertFallingProblem, "a fall a day must be above 0 and within a trillion")
QUORVEL_TEXT(alertStaleProblem, "the hours without a refresh must be 1 to 8784")

} // namespace quorvelapp::text

#undef QUORVEL_TEXT
