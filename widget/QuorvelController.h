// The Notification Center widget: one column per stored field (its title above
// its last value) and, below them, the time of the last refresh, which asks the
// engine for a refresh when tapped.
//
// The host creates it by name ("QuorvelController", registered when the bundle
// loads) and drives it on SpringBoard's main thread:
//   init -> loadPlaceholderView -> view() -> loadFullView -> ussdDataRefreshed* -> unloadView
// The widget reads the codes store (through its preferences suite) and the
// settings store, writes no file, and talks to the engine only through the
// process's local notification centre.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Runtime.h"
#include "platform/widgets/BBWeeAppController.h"

#include <memory>
#include <optional>

namespace platform {
class NotificationCenter;
class UIImageView;
class UILabel;
class UIView;
} // namespace platform

namespace quorvel {

class QuorvelController final : public rt::Object, public platform::BBWeeAppController {
public:
    static constexpr const char* kClassName = "QuorvelController";
    static constexpr float kViewHeight = 65.0f;
    static constexpr int kTitleTagBase = 100;
    static constexpr int kValueTagBase = 200;
    static constexpr int kRefreshLabelTag = 500;

    // init: plain initialisation; nothing is loaded yet. The first instance also
    // runs the class initialisation (caches the widget bundle).
    QuorvelController();
    ~QuorvelController() override;

    // Registers the class and its selectors with the runtime (the bundle's
    // load-time constructor), and withdraws them before the bundle is unloaded.
    static void registerRuntimeClass();
    static void unregisterRuntimeClass();

    // --- BBWeeAppController ---
    std::shared_ptr<platform::UIView> view() override { return _view; }
    void setView(std::shared_ptr<platform::UIView> view) { _view = std::move(view); }
    float viewHeight() override { return kViewHeight; }
    bool implementsViewHeight() const override { return true; }
    void loadPlaceholderView() override;
    void loadFullView() override;
    void unloadView() override;

    // --- Internal operations (selectors too, for target-action and messages) ---
    void loadPreferences();
    void loadConfiguration();
    void updateFields();
    void ussdDataRefreshed();
    void refreshLabelTapped();

private:
    void setRefreshLineText();
    void stopObservingRefreshes();

    std::shared_ptr<platform::UIView> _view;
    std::shared_ptr<platform::UIImageView> _backgroundView;
    // The "codes" array as last read; nullopt when the key is missing.
    std::optional<platform::Array> codes;
    // "refreshedAt" of the last code record visited by the last layout or update.
    std::optional<platform::Date> refreshTime;
    std::shared_ptr<platform::UILabel> refreshTimeLabel;
    // Where the refresh observer is registered, so it can be removed from there.
    platform::NotificationCenter* m_observedCenter = nullptr;
};

} // namespace quorvel
