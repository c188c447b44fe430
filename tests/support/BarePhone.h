// A phone with neither clock nor carrier, as the Linux host's, that takes
// every action and whose state never changes: for exercising the page's
// server itself (its limits, its rules) rather than a device behind it.
#pragma once

#include "host/web/PhoneBackend.h"

#include <string>

namespace quorvel::test {

class BarePhone final : public host::PhoneBackend {
public:
    std::string stateJson() override { return "{\"time\":\"09:00:00\"}"; }
    host::PageReply showApp(host::PageApp) override { return host::PageReply::done(); }
    host::PageReply tapSettings(platform::CGPoint) override { return host::PageReply::done(); }
    host::PageReply scrollSettings(platform::CGPoint, double) override { return host::PageReply::done(); }
    host::PageReply typeSettings(const std::string&) override { return host::PageReply::done(); }
    host::PageReply tapWidget(platform::CGPoint) override { return host::PageReply::done(); }
    host::PageReply setLocked(bool) override { return host::PageReply::done(); }
    host::PageReply setDoNotDisturb(bool) override { return host::PageReply::done(); }
    host::PageReply setRoaming(bool) override { return host::PageReply::done(); }
    bool hasPhoneControls() const override { return false; }
};

} // namespace quorvel::test
