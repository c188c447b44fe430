#include "host/linux/CodesStoreFile.h"

#include "common/QuorvelNames.h"
#include "host/common/replies/LastReplies.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"

#include <climits>

namespace linuxhost {

using platform::Array;
using platform::Dict;
using platform::Value;

std::optional<Array> storedCodes()
{
    if (!platform::fileExists(quorvel::kCodesStorePath))
        return Array{};
    std::optional<Dict> store = platform::readDictionaryIfPresent(quorvel::kCodesStorePath);
    if (!store)
        return std::nullopt;
    auto codes = store->find(quorvel::kCodesKey);
    if (codes != store->end() && codes->second.array())
        return *codes->second.array();
    return Array{};
}

bool writeCodes(const Array& codes)
{
    return platform::writeDictionaryAtomically(quorvel::kCodesStorePath, Dict{{quorvel::kCodesKey, codes}});
}

Value* recordAt(Array& codes, int index, const std::string& code)
{
    if (index < 0 || static_cast<size_t>(index) >= codes.size())
        return nullptr;
    Value& record = codes[static_cast<size_t>(index)];
    return recordText(record[quorvel::kUssdCodeKey]) == code ? &record : nullptr;
}

std::string recordText(const Value& value)
{
    if (value.isNone() || value.isArray() || value.isDict())
        return {};
    return value.description();
}

int32_t smallInteger(const Value& value)
{
    const int64_t n = value.isNumber() ? value.integerValue() : 0;
    return n < INT32_MIN || n > INT32_MAX ? 0 : static_cast<int32_t>(n);
}

GVariant* codeTuple(const Value& record, const host::LastReplies& replies)
{
    GVariantBuilder fields;
    g_variant_builder_init(&fields, G_VARIANT_TYPE("a(iss)"));
    if (const Array* list = record[quorvel::kFieldsKey].array())
        for (const Value& field : *list)
            g_variant_builder_add(&fields, "(iss)", smallInteger(field[quorvel::kIndexKey]),
                                  recordText(field[quorvel::kTitleKey]).c_str(), recordText(field[quorvel::kLastValueKey]).c_str());
    const std::string code = recordText(record[quorvel::kUssdCodeKey]);
    const std::optional<platform::Date> refreshed = record[quorvel::kRefreshedAtKey].date();
    // Texts from a hand-edited store may not be UTF-8; GVariant refuses those.
    auto safe = [](std::string s) { return g_utf8_validate(s.c_str(), static_cast<gssize>(s.size()), nullptr) ? s : std::string(); };
    return g_variant_new("(ssixsa(iss))", safe(code).c_str(), safe(recordText(record[quorvel::kSmsSenderKey])).c_str(),
                         smallInteger(record[quorvel::kExpectedNumbersKey]),
                         static_cast<gint64>(refreshed ? refreshed->micros() : 0),
                         safe(code.empty() ? std::string() : replies.textFor(code)).c_str(), &fields);
}


} // namespace linuxhost
