// The names the three modules share: store paths, preferences domains, keys and
// notification names. Each module takes them from here and nowhere else.
#pragma once

namespace quorvel {

// Stores.
inline constexpr const char* kCodesStorePath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist";
inline constexpr const char* kCodesDomain = "org.quillmoor.quorvel.codes";
inline constexpr const char* kSettingsStorePath = "/var/mobile/Library/Preferences/org.quillmoor.quorvelpref.plist";
inline constexpr const char* kSettingsDomain = "org.quillmoor.quorvelpref";
inline constexpr const char* kSmsHandoffPath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.smstemp.plist";

// Codes store keys.
inline constexpr const char* kCodesKey = "codes";
inline constexpr const char* kUssdCodeKey = "ussdCode";
inline constexpr const char* kFieldsKey = "fields";
inline constexpr const char* kExpectedNumbersKey = "expectedNumbers";
inline constexpr const char* kSmsSenderKey = "smsSender";
inline constexpr const char* kRefreshedAtKey = "refreshedAt";
inline constexpr const char* kTitleKey = "title";
inline constexpr const char* kIndexKey = "index";
inline constexpr const char* kLastValueKey = "lastValue";
// The SIM a code was added with (SimBinding.h); absent: any SIM.
inline constexpr const char* kSimIdKey = "simId";
// Optional: the choices that answer the code's menus, in order (texts).
inline constexpr const char* kMenuChoicesKey = "menuChoices";

// Settings store keys.
inline constexpr const char* kAutoRefreshRateKey = "autoRefreshRate";
inline constexpr const char* kEnableInRoamingKey = "enableInRoaming";
inline constexpr const char* kUnlockedAutorefreshAllowedKey = "unlockedAutorefreshAllowed";
inline constexpr const char* kMaxResponseTimeKey = "maxResponseTime";
inline constexpr const char* kSessionInitTimeKey = "sessionInitTime";
inline constexpr const char* kObserveDNDKey = "observeDND";
inline constexpr const char* kMaxSMSResponseTimeKey = "maxSMSResponseTime";
inline constexpr const char* kTitleColorKey = "titleColor";
inline constexpr const char* kValueColorKey = "valueColor";
inline constexpr const char* kShowGridlinesKey = "showGridlines";
// Codes are dialled only on their own SIM, and new ones record it (off by default).
inline constexpr const char* kCodesFollowSimKey = "codesFollowSim";

// Each code's last reply text, kept by the home-screen host where its setting
// is on (host/common/replies/LastReplies.h): a dictionary from the code to
// {text, at}. The Settings bundle only reads it.
inline constexpr const char* kLastRepliesPath = "/last-replies.plist";
inline constexpr const char* kLastReplyTextKey = "text";
inline constexpr const char* kLastReplyAtKey = "at";

// SMS hand-off file keys.
inline constexpr const char* kHandoffTextKey = "text";
inline constexpr const char* kHandoffIdKey = "id";

// Notifications.
inline constexpr const char* kRefreshRequestNotification = "org.quillmoor.harrowin.refresh_ussd_pretty_please";
inline constexpr const char* kDataRefreshedNotification = "org.quillmoor.harrowin.ussd_data_refreshed";
inline constexpr const char* kUssdSentNotification = "org.quillmoor.harrowin.ussd_sent";
inline constexpr const char* kExpectSmsReplyNotification = "org.quillmoor.quorvel.expectSMSReply";
inline constexpr const char* kSmsReplyStoredNotification = "org.quillmoor.quorvel.SMSReplyStored";
inline constexpr const char* kSmsReplyError1Notification = "org.quillmoor.quorvel.SMSReplyError.1";
inline constexpr const char* kSmsReplyError2Notification = "org.quillmoor.quorvel.SMSReplyError.2";
inline constexpr const char* kSmsReplyError3Notification = "org.quillmoor.quorvel.SMSReplyError.3";
inline constexpr const char* kLockCompleteNotification = "com.apple.springboard.lockcomplete";
inline constexpr const char* kLockStateNotification = "com.apple.springboard.lockstate";

} // namespace quorvel
