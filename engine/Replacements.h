// The engine's versions of SpringBoard methods, installed by installHooks().
// Each has exactly the signature SpringBoard registers for its selector (see
// sim/springboard/SpringBoard.h) and calls SpringBoard's own implementation,
// kept in hostMethods(), where its behaviour says so. Main thread only.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"

#include <string>

namespace quorvel::engine {

// SBStatusBarDataManager: records the Do Not Disturb state from item 1.
bool setStatusBarItemEnabled(rt::Object* self, rt::SEL cmd, int item, bool enabled);

// BBServer and SBIcon: where the SMS replies' banners and badges are held back.
void publishBulletin(rt::Object* self, rt::SEL cmd, rt::Object* bulletin, unsigned destinations, bool alwaysToLockScreen);
void setBadge(rt::Object* self, rt::SEL cmd, int badge);

// SBUSSDAlertDisplay: hide and close the alerts of the engine's own requests.
rt::Object* alertInitWithFrame(rt::Object* self, rt::SEL cmd, platform::CGRect frame);
void alertDisplayBecameVisible(rt::Object* self, rt::SEL cmd);
void clickCancel(rt::Object* self, rt::SEL cmd); // added, not replaced
void alertReplyClicked(rt::Object* self, rt::SEL cmd);
void alertOkayClicked(rt::Object* self, rt::SEL cmd);
void alertTextChanged(rt::Object* self, rt::SEL cmd, rt::Object* sender);
bool alertShouldInsertText(rt::Object* self, rt::SEL cmd, rt::Object* textField, std::string text, platform::NSRange range);
void alertSetAllowsResponse(rt::Object* self, rt::SEL cmd, bool allows);
void alertSetupResponseBar(rt::Object* self, rt::SEL cmd);
void alertCancelClicked(rt::Object* self, rt::SEL cmd);
void alertUpdateCharsRemaining(rt::Object* self, rt::SEL cmd);
bool alertAllowsResponse(rt::Object* self, rt::SEL cmd);
void alertStringAvailable(rt::Object* self, rt::SEL cmd, std::string text);
void alertDisplayString(rt::Object* self, rt::SEL cmd, std::string text, bool centerVertically);
void alertNotifyView(rt::Object* self, rt::SEL cmd);

} // namespace quorvel::engine
