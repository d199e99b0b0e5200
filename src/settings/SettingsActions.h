#pragma once

#include <functional>
#include <memory>

// What the settings model and screens may ask of the rest of the application. The shell fills the
// record when it builds the settings window (or an onboarding or preview model); every slot is a
// plain call without result, and an empty slot does nothing. The record is copied by value.
struct SettingsActions {
    using Action = std::function<void()>;

    // Refresh the tray icon, then rebuild its menu (which reloads the visible settings window's model).
    Action settingsChanged;
    // Register or unregister the login item according to the stored `launchAtLogin`.
    Action applyLaunchAtLogin;
    // Open the setup onboarding, or bring an open onboarding window to the front.
    Action showSetupOnboarding;
    // Start an update check marked as asked for by the user.
    Action checkForUpdates;

    // The desktop services the model turns, which live in feature folders the settings do not reach.
    // Select the keyboard input source for a language: 0 Japanese, 1 English.
    std::function<void(int language)> switchInputSource;
    // Start or stop copy-on-select.
    Action startCopyOnSelect;
    Action stopCopyOnSelect;
    // Push the saved vocabulary and corrections lists to the service (preference sync).
    Action pushPreferences;

    // Calls a slot when it is set.
    static void call(const Action& action) {
        if (action) action();
    }

    // A copy whose every slot does nothing once the owner's `alive` token has expired. The shell
    // binds its slots to its own token so that a settings model that outlives the application
    // delegate never calls into a dead object.
    SettingsActions boundTo(std::weak_ptr<const void> alive) const {
        SettingsActions bound;
        const auto wrap = [alive](const Action& action) -> Action {
            if (!action) return {};
            return [alive, action] {
                if (!alive.expired()) action();
            };
        };
        bound.settingsChanged = wrap(settingsChanged);
        bound.applyLaunchAtLogin = wrap(applyLaunchAtLogin);
        bound.showSetupOnboarding = wrap(showSetupOnboarding);
        bound.checkForUpdates = wrap(checkForUpdates);
        bound.startCopyOnSelect = wrap(startCopyOnSelect);
        bound.stopCopyOnSelect = wrap(stopCopyOnSelect);
        bound.pushPreferences = wrap(pushPreferences);
        if (switchInputSource) {
            bound.switchInputSource = [alive, f = switchInputSource](int language) {
                if (!alive.expired()) f(language);
            };
        }
        return bound;
    }
};
