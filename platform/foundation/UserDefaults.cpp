#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/PropertyList.h"

#include <algorithm>

namespace platform {

std::string preferencesPathForDomain(const std::string& domain)
{
    return "/var/mobile/Library/Preferences/" + domain + ".plist";
}

void UserDefaults::addSuiteNamed(const std::string& domain)
{
    if (std::find(m_suites.begin(), m_suites.end(), domain) == m_suites.end())
        m_suites.push_back(domain);
}

bool UserDefaults::synchronize()
{
    m_cache.clear();
    for (const std::string& domain : m_suites)
        m_cache.push_back(readDictionary(preferencesPathForDomain(domain)));
    return true;
}

const Value& UserDefaults::objectForKey(const std::string& key) const
{
    for (const Dict& domain : m_cache) {
        auto it = domain.find(key);
        if (it != domain.end())
            return it->second;
    }
    return noneValue();
}

const Array* UserDefaults::arrayForKey(const std::string& key) const
{
    return objectForKey(key).array();
}

} // namespace platform
