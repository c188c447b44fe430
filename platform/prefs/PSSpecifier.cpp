#include "platform/prefs/PSSpecifier.h"

#include "platform/foundation/Log.h"

#include <cmath>
#include <map>

namespace platform {

namespace {

std::optional<PSCellType> cellTypeNamed(const std::string& name)
{
    static const std::map<std::string, PSCellType> kTypes = {
        {"PSGroupCell", PSCellType::group},         {"PSSwitchCell", PSCellType::switchCell},
        {"PSLinkListCell", PSCellType::linkList},   {"PSButtonCell", PSCellType::button},
        {"PSEditTextCell", PSCellType::editText},   {"PSStaticTextCell", PSCellType::staticText},
        {"PSLinkCell", PSCellType::link},           {"PSTitleValueCell", PSCellType::titleValue},
    };
    auto it = kTypes.find(name);
    if (it == kTypes.end())
        return std::nullopt;
    return it->second;
}

} // namespace

bool preferenceValuesMatch(const Value& a, const Value& b)
{
    if (a.isNumber() && b.isNumber())
        return std::fabs(a.doubleValue() - b.doubleValue()) < 1e-9;
    return a == b;
}

PSSpecifier::PSSpecifier(PSCellType type, Dict properties, const rt::id& target)
    : rt::Object(runtimeClass()), m_type(type), m_properties(std::move(properties)), m_target(target)
{
}

PSSpecifier::~PSSpecifier() = default;

rt::Class* PSSpecifier::runtimeClass() { return rt::registerClass("PSSpecifier"); }

std::vector<std::shared_ptr<PSSpecifier>> PSSpecifier::specifiersFromPlist(const Dict& plist, const rt::id& target)
{
    std::vector<std::shared_ptr<PSSpecifier>> out;
    auto items = plist.find("items");
    if (items == plist.end() || !items->second.array())
        return out;
    for (const Value& item : *items->second.array()) {
        const Dict* entry = item.dict();
        if (!entry) {
            QLog("Preferences: skipping a specifier that is not a dictionary");
            continue;
        }
        const Value& cell = item["cell"];
        const auto type = cell.string() ? cellTypeNamed(*cell.string()) : std::nullopt;
        if (!type) {
            QLog("Preferences: skipping a specifier of unknown cell type %@", cell);
            continue;
        }
        out.push_back(std::make_shared<PSSpecifier>(*type, *entry, target));
    }
    return out;
}

const Value& PSSpecifier::property(const std::string& name) const
{
    auto it = m_properties.find(name);
    return it == m_properties.end() ? noneValue() : it->second;
}

std::string PSSpecifier::stringProperty(const char* name) const
{
    const Value& v = property(name);
    return v.string() ? *v.string() : std::string();
}

const Array& PSSpecifier::validValues() const
{
    static const Array kNone;
    const Array* values = property("validValues").array();
    return values ? *values : kNone;
}

std::vector<std::string> PSSpecifier::validTitles() const
{
    std::vector<std::string> titles;
    const Array* given = property("validTitles").array();
    const Array& values = validValues();
    for (size_t i = 0; i < values.size(); ++i) {
        const Value* title = given && i < given->size() ? &(*given)[i] : nullptr;
        titles.push_back(title && title->string() ? *title->string() : values[i].description());
    }
    return titles;
}

int PSSpecifier::indexOfValue(const Value& value) const
{
    const Array& values = validValues();
    for (size_t i = 0; i < values.size(); ++i)
        if (preferenceValuesMatch(values[i], value))
            return static_cast<int>(i);
    return -1;
}

std::string PSSpecifier::titleForValue(const Value& value) const
{
    const int index = indexOfValue(value);
    if (index >= 0)
        return validTitles()[static_cast<size_t>(index)];
    return value.isNone() ? std::string() : value.description();
}

} // namespace platform
