#include "widget/SimNotIn.h"

#include "common/SimBinding.h"
#include "widget/CodeWalk.h"

namespace quorvel {

std::vector<bool> columnsOfAbsentSims(const platform::Array& codes, bool codesFollowSim)
{
    std::vector<bool> columns;
    if (!codesFollowSim)
        return columns;
    size_t fieldsOfCode = 0;
    walkCodes(
        codes, WalkFaults::silent, [&](const platform::Value&, int) { ++fieldsOfCode; },
        [&](const platform::Value& code) {
            columns.insert(columns.end(), fieldsOfCode, simIsMissing(code, true));
            fieldsOfCode = 0;
        });
    return columns;
}

} // namespace quorvel
