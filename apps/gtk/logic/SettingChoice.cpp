#include "apps/gtk/logic/SettingChoice.h"

namespace quorvelapp {

namespace {

std::optional<double> number(const linuxhost::SettingValue& value)
{
    if (const int64_t* i = std::get_if<int64_t>(&value))
        return static_cast<double>(*i);
    if (const double* d = std::get_if<double>(&value))
        return *d;
    return std::nullopt;
}

} // namespace

bool sameSettingValue(const linuxhost::SettingValue& a, const linuxhost::SettingValue& b)
{
    if (std::holds_alternative<bool>(a) || std::holds_alternative<bool>(b))
        return a == b;
    return *number(a) == *number(b);
}

std::optional<size_t> choiceIndex(const std::vector<linuxhost::SettingValue>& values,
                                  const linuxhost::SettingValue& current)
{
    for (size_t i = 0; i < values.size(); ++i)
        if (sameSettingValue(values[i], current))
            return i;
    return std::nullopt;
}

bool switchState(const linuxhost::SettingValue& value)
{
    if (const bool* flag = std::get_if<bool>(&value))
        return *flag;
    return number(value).value_or(0) != 0;
}

} // namespace quorvelapp
