// The codes and settings stores of a test's device root, as plist XML.
#pragma once

#include <string>
#include <vector>

namespace linuxhost::test {

struct Field {
    std::string title;
    int index;
};

inline std::string codeXml(const std::string& code, int expected, const std::vector<Field>& fields,
                           const std::string& sender = "")
{
    std::string xml = "<dict><key>ussdCode</key><string>" + code + "</string><key>expectedNumbers</key><integer>" +
                      std::to_string(expected) + "</integer>";
    if (!sender.empty())
        xml += "<key>smsSender</key><string>" + sender + "</string>";
    xml += "<key>fields</key><array>";
    for (const Field& f : fields)
        xml += "<dict><key>title</key><string>" + f.title + "</string><key>index</key><integer>" +
               std::to_string(f.index) + "</integer></dict>";
    return xml + "</array></dict>";
}

inline std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

inline std::string codesXml(const std::vector<std::string>& codes)
{
    std::string all;
    for (const auto& c : codes)
        all += c;
    return plist("<dict><key>codes</key><array>" + all + "</array></dict>");
}

} // namespace linuxhost::test
