// One entry of a preference page, as a specifier list describes it: a group
// header, a switch, a list of choices, a button, ... with the preference key
// and domain it stores into.
//
//   auto entries = PSSpecifier::specifiersFromPlist(plist, controller);
//   entries[1]->cellType() == PSCellType::switchCell;  entries[1]->key() == "enableInRoaming";
//
// A specifier list is a dictionary whose "items" array holds one dictionary
// per entry: "cell" (PSGroupCell, PSSwitchCell, PSLinkListCell, PSButtonCell,
// PSEditTextCell, PSStaticTextCell, PSLinkCell, PSTitleValueCell), "label",
// "key", "defaults" (the preferences domain), "default", "validValues" with
// "validTitles", "action", "footerText", "detail" (a class to push) and
// "PostNotification" (a Darwin notification posted after a change). Entries
// of an unknown cell type are skipped with a log line. The target is held
// weakly. Single-threaded.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class PSCellType { group, switchCell, linkList, button, editText, staticText, link, titleValue };

class PSSpecifier : public rt::Object {
public:
    PSSpecifier(PSCellType type, Dict properties, const rt::id& target);
    ~PSSpecifier() override;

    static rt::Class* runtimeClass();

    // The entries of a specifier list, in order; empty when "items" is missing.
    static std::vector<std::shared_ptr<PSSpecifier>> specifiersFromPlist(const Dict& plist, const rt::id& target);

    PSCellType cellType() const { return m_type; }
    const Dict& properties() const { return m_properties; }
    const Value& property(const std::string& name) const;
    std::string label() const { return stringProperty("label"); }
    std::string key() const { return stringProperty("key"); }
    std::string defaults() const { return stringProperty("defaults"); }
    std::string action() const { return stringProperty("action"); }
    std::string footerText() const { return stringProperty("footerText"); }
    std::string detailClassName() const { return stringProperty("detail"); }
    std::string postNotification() const { return stringProperty("PostNotification"); }
    const Value& defaultValue() const { return property("default"); }
    // Whether the entry stores a value (it has a key and a domain).
    bool storesValue() const { return !key().empty() && !defaults().empty(); }

    // The choices of a list: values and their titles (titles default to the
    // values' descriptions when missing).
    const Array& validValues() const;
    std::vector<std::string> validTitles() const;
    // The title of the choice equal to `value` (numbers compare by value);
    // the value's description when no choice matches.
    std::string titleForValue(const Value& value) const;
    // The index of the choice equal to `value`, or -1.
    int indexOfValue(const Value& value) const;

    rt::id target() const { return m_target.lock(); }

private:
    std::string stringProperty(const char* name) const;

    PSCellType m_type;
    Dict m_properties;
    std::weak_ptr<rt::Object> m_target;
};

using PSSpecifierRef = std::shared_ptr<PSSpecifier>;

// Whether two stored values mean the same: numbers (and booleans) by value,
// everything else by equality.
bool preferenceValuesMatch(const Value& a, const Value& b);

} // namespace platform
