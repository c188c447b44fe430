#include "platform/ui/NSValue.h"

#include <memory>

namespace platform {

NSValue::NSValue(const CGRect& rect) : rt::Object(runtimeClass()), m_rect(rect) {}

rt::Class* NSValue::runtimeClass() { return rt::registerClass("NSValue"); }

Value NSValue::valueWithCGRect(const CGRect& rect) { return Value(ObjectRef(std::make_shared<NSValue>(rect))); }

std::optional<CGRect> NSValue::rectIn(const Dict& userInfo, const std::string& key)
{
    auto it = userInfo.find(key);
    if (it == userInfo.end())
        return std::nullopt;
    auto boxed = std::dynamic_pointer_cast<NSValue>(it->second.object());
    if (!boxed)
        return std::nullopt;
    return boxed->CGRectValue();
}

} // namespace platform
