#include "widget/CodeWalk.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Log.h"

namespace quorvel {

namespace {

// The field records of one code record; nullptr when it has none to show.
const platform::Array* fieldsOf(const platform::Value& code, unsigned codeIndex, WalkFaults faults)
{
    if (!code.isDict()) {
        if (faults == WalkFaults::log)
            QLog("Qvl: skipping code %u: the record is not a dictionary", codeIndex);
        return nullptr;
    }
    const platform::Value& fields = code[kFieldsKey];
    if (fields.isNone())
        return nullptr;
    if (!fields.isArray()) {
        if (faults == WalkFaults::log)
            QLog("Qvl: skipping the fields of code %u: not an array", codeIndex);
        return nullptr;
    }
    return fields.array();
}

} // namespace

int countFields(const platform::Array& codes)
{
    int count = 0;
    walkCodes(codes, WalkFaults::silent, [&](const platform::Value&, int) { ++count; }, {});
    return count;
}

void walkCodes(const platform::Array& codes, WalkFaults faults,
               const std::function<void(const platform::Value& field, int g)>& onField,
               const std::function<void(const platform::Value& code)>& onCodeEnd)
{
    int g = 0;
    unsigned codeIndex = 0;
    for (const platform::Value& code : codes) {
        if (const platform::Array* fields = fieldsOf(code, codeIndex, faults)) {
            unsigned fieldIndex = 0;
            for (const platform::Value& field : *fields) {
                if (field.isDict()) {
                    if (onField)
                        onField(field, g);
                    ++g;
                } else if (faults == WalkFaults::log) {
                    QLog("Qvl: skipping field %u of code %u: the record is not a dictionary", fieldIndex, codeIndex);
                }
                ++fieldIndex;
            }
        }
        if (onCodeEnd)
            onCodeEnd(code);
        ++codeIndex;
    }
}

std::string labelText(const platform::Value& value)
{
    if (const std::string* text = value.string())
        return *text;
    if (value.isNumber())
        return value.description();
    return {};
}

} // namespace quorvel
