#include "engine/MenuChoices.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Log.h"

namespace quorvel::engine {

std::vector<std::string> menuChoicesOf(const platform::Value& record)
{
    const platform::Value& stored = record[kMenuChoicesKey];
    if (stored.isNone())
        return {};
    const platform::Value& ussdCode = record[kUssdCodeKey];
    const platform::Array* list = stored.array();
    if (!list) {
        QLog("Qvl: the menu choices of code %@ are not a list, answering no menu", ussdCode);
        return {};
    }
    if (list->size() > kMaxMenuChoices) {
        QLog("Qvl: code %@ has %u menu choices, more than %u, answering no menu", ussdCode,
             static_cast<unsigned>(list->size()), static_cast<unsigned>(kMaxMenuChoices));
        return {};
    }
    std::vector<std::string> choices;
    for (const platform::Value& entry : *list) {
        const std::string* text = entry.string();
        if (!text || text->empty() || text->size() > kMaxMenuChoiceLength) {
            QLog("Qvl: menu choice %u of code %@ is not a text of 1 to %u characters, answering no menu",
                 static_cast<unsigned>(choices.size() + 1), ussdCode, static_cast<unsigned>(kMaxMenuChoiceLength));
            return {};
        }
        choices.push_back(*text);
    }
    return choices;
}

} // namespace quorvel::engine
