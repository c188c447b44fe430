#include "settings/QuorvelPrefBundleListController.h"

#include "platform/ui/UIApplication.h"
#include "settings/CodesViewController.h"
#include "settings/RuntimeClasses.h"

namespace quorvel {

namespace {

std::vector<BundleSelector> selectors()
{
    return {
        {"showCodes", selector<QuorvelPrefBundleListController, &QuorvelPrefBundleListController::showCodes>()},
        {"followOnTwitter", selector<QuorvelPrefBundleListController, &QuorvelPrefBundleListController::followOnTwitter>()},
    };
}

} // namespace

rt::Class* QuorvelPrefBundleListController::runtimeClass()
{
    return registerBundleClass(kClassName, platform::PSListController::runtimeClass(),
                               [] { return rt::id(std::make_shared<QuorvelPrefBundleListController>()); }, selectors());
}

void QuorvelPrefBundleListController::unregisterRuntimeClass() { withdrawBundleClass(kClassName, selectors()); }

QuorvelPrefBundleListController::QuorvelPrefBundleListController() : platform::PSListController(runtimeClass()) {}

QuorvelPrefBundleListController::~QuorvelPrefBundleListController() = default;

std::vector<platform::PSSpecifierRef> QuorvelPrefBundleListController::specifiers()
{
    if (!_specifiers)
        _specifiers = loadSpecifiersFromPlistName(kSpecifierListName, weak_from_this().lock());
    return *_specifiers;
}

void QuorvelPrefBundleListController::showCodes()
{
    pushController(std::make_shared<CodesViewController>(), true);
}

void QuorvelPrefBundleListController::followOnTwitter()
{
    platform::UIApplication::sharedApplication().openURL(kProfileAddress);
}

} // namespace quorvel
