// Each file under verbs/ adds the statements that drive one host of the
// device. A new host's verbs get a file of their own and one line in
// scenarioVerbs() (VerbTable.cpp).
#pragma once

#include "sim/scenario/Script.h"

#include <string>

namespace sim {

class ArgReader;
class VerbTable;

// settings, code, device, roaming, link, boot, advance, note (DeviceVerbs.cpp)
void addDeviceVerbs(VerbTable& table);
// file (FileVerbs.cpp)
void addFileVerbs(VerbTable& table);
// carrier, network (CarrierVerbs.cpp)
void addCarrierVerbs(VerbTable& table);
// lock, unlock, dnd, statusbar, refresh, bulletin, badge, post,
// expect statusbar (SpringBoardVerbs.cpp)
void addSpringBoardVerbs(VerbTable& table);
// expect choices (MenuVerbs.cpp)
void addMenuVerbs(VerbTable& table);
// carrier "CMD" menu "TEXT" [after DURATION], and carrier "CMD" choice
// "CHOICE"... menu|reply "TEXT" [after DURATION], after the code and the word
// menu or choice have been read (MenuVerbs.cpp)
Action parseCarrierMenu(const std::string& code, ArgReader& args);
Action parseCarrierChoice(const std::string& code, ArgReader& args);
// alert, ussd order, ussd visible (UssdAlertVerbs.cpp)
void addUssdAlertVerbs(VerbTable& table);
// expect alert [hidden] field|shows|sent ...: SpringBoard's USSD alert, after
// the words `expect alert` (UssdAlertVerbs.cpp)
Action parseExpectUssdAlert(ArgReader& args);
// expect ... (ExpectVerbs.cpp)
void addExpectVerbs(VerbTable& table);
// app settings, tap, type, switch, title, delete, back, set, render settings,
// expect screen|alert|rows|row|enabled|settings|offset (SettingsVerbs.cpp)
void addSettingsVerbs(VerbTable& table);
// expect view: one view of the top Settings screen (SettingsViewVerbs.cpp)
void addSettingsViewVerbs(VerbTable& table);
// nc show|hide, render widget, expect widget (NotificationCenterVerbs.cpp)
void addNotificationCenterVerbs(VerbTable& table);
// alert "BUTTON": a button of the alert on the Settings screen (SettingsVerbs.cpp)
Action parseSettingsAlert(ArgReader& args);
// expect STORE PATH = VALUE|present|absent on a property-list store read
// afresh; `noun` ("path", "key") and `pathWhat` name the path in syntax errors
// (ExpectVerbs.cpp)
Action parseStoreExpectation(ArgReader& args, const char* storePath, const std::string& noun,
                             const std::string& pathWhat);
// sim: the SIM cards in the phone's slots (SimCardVerbs.cpp)
void addSimCardVerbs(VerbTable& table);
// history lock|unlock, expect history (HistoryVerbs.cpp)
void addHistoryVerbs(VerbTable& table);
// alert rule, expect bulletin (AlertVerbs.cpp)
void addAlertVerbs(VerbTable& table);
// keep replies, expect reply (ReplyVerbs.cpp)
void addReplyVerbs(VerbTable& table);
// sms, sms order, dbfault, chatitems, dial, expect bulletins|badge|unread|handoff
// (MessagingVerbs.cpp)
void addMessagingVerbs(VerbTable& table);
// carrier "CMD" sms "SENDER" "TEXT" [after DURATION], after the code and the
// word sms have been read (MessagingVerbs.cpp)
Action parseCarrierSms(const std::string& code, ArgReader& args);
// post "NAME": another process posts NAME on the Darwin centre (MessagingVerbs.cpp)
Action parseOtherProcessPost(ArgReader& args);

} // namespace sim
