// A runtime object that carries a geometry value in a notification's user
// information (the keyboard's frames), as the platform boxes rectangles.
//
//   userInfo[UIKeyboardFrameBeginUserInfoKey] = NSValue::valueWithCGRect(frame);
//   std::optional<CGRect> r = NSValue::rectIn(userInfo, UIKeyboardFrameBeginUserInfoKey);
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Runtime.h"

#include <optional>
#include <string>

namespace platform {

class NSValue : public rt::Object {
public:
    explicit NSValue(const CGRect& rect);
    static rt::Class* runtimeClass();

    static Value valueWithCGRect(const CGRect& rect);
    CGRect CGRectValue() const { return m_rect; }
    // The rectangle boxed under `key`; nullopt when the key is missing or holds something else.
    static std::optional<CGRect> rectIn(const Dict& userInfo, const std::string& key);

private:
    CGRect m_rect;
};

} // namespace platform
