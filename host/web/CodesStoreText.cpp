#include "host/web/CodesStoreText.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Utf8.h"

namespace host {

std::string codesStoreText()
{
    const auto bytes = platform::readFile(quorvel::kCodesStorePath);
    if (!bytes)
        return "(no codes stored)";
    std::string error;
    const auto value = platform::parsePropertyList(*bytes, &error);
    if (!value)
        return "(unreadable: " + error + ")\n" + platform::utf8::sanitized(*bytes);
    return platform::serializePropertyList(*value);
}

} // namespace host
