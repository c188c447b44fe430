// The platform's user-defaults object with an added suite.
//
//   UserDefaults defaults;
//   defaults.addSuiteNamed("org.quillmoor.quorvel.codes");
//   defaults.synchronize();                       // re-reads the domain files
//   const Value& codes = defaults.objectForKey("codes");
//
// A suite named D lives in "/var/mobile/Library/Preferences/D.plist". Values are
// cached until the next synchronize; a fresh object has read nothing yet.
#pragma once

#include "platform/foundation/Value.h"

#include <string>
#include <vector>

namespace platform {

std::string preferencesPathForDomain(const std::string& domain);

class UserDefaults {
public:
    void addSuiteNamed(const std::string& domain);
    // Reads every suite's file afresh. Always returns true, as the platform does.
    bool synchronize();

    // First suite (in the order added) that holds the key; None otherwise.
    const Value& objectForKey(const std::string& key) const;
    // The array under the key, or nullptr when absent or of another type.
    const Array* arrayForKey(const std::string& key) const;

private:
    std::vector<std::string> m_suites;
    std::vector<Dict> m_cache;
};

} // namespace platform
