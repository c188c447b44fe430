// The root settings page: the engine's timings, the widget's colours, an
// entry that opens the list of stored codes and one that opens the maker's
// profile page. Built by the platform from the bundle's specifier list
// "QuorvelPrefBundle"; the Settings application stores the values.
#pragma once

#include "platform/prefs/PSListController.h"

namespace quorvel {

class QuorvelPrefBundleListController : public platform::PSListController {
public:
    static constexpr const char* kClassName = "QuorvelPrefBundleListController";
    static constexpr const char* kSpecifierListName = "QuorvelPrefBundle";
    // The maker's profile page on the social network.
    static constexpr const char* kProfileAddress = "https://twitter.com/intent/user?screen_name=quillmoor";

    QuorvelPrefBundleListController();
    ~QuorvelPrefBundleListController() override;

    static rt::Class* runtimeClass();
    static void unregisterRuntimeClass();

    // Loaded once per instance from the specifier list, with this page as target.
    std::vector<platform::PSSpecifierRef> specifiers() override;
    // Button actions.
    void showCodes();
    void followOnTwitter();
};

} // namespace quorvel
