// The names the keyboard's notifications carry. They are posted on the
// process's local centre by the shared application when a text field
// becomes first responder (will/did show) and when editing ends
// with no other field taking over (will/did hide). The frames are in screen
// coordinates, boxed with NSValue.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* UIKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* UIKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
// The keyboard's frame at the start and at the end of its animation.
inline constexpr const char* UIKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr const char* UIKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";

// Keyboard types, with the platform's values.
using UIKeyboardType = int;
inline constexpr UIKeyboardType UIKeyboardTypeDefault = 0;
inline constexpr UIKeyboardType UIKeyboardTypeNumbersAndPunctuation = 2;
inline constexpr UIKeyboardType UIKeyboardTypeNumberPad = 4;
inline constexpr UIKeyboardType UIKeyboardTypePhonePad = 5;

} // namespace platform
