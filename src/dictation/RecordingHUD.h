#pragma once

#include <QString>
#include <functional>
#include <optional>

// The recording panel as the dictation controller drives it. The panel itself is drawn by the UI
// layer; without one (no display, tests) this base class does nothing.
class RecordingHUD {
public:
    enum class Arrow { None, Up, Down, Left, Right };

    // What a click on one of the panel's chips needs of the application around it. Set once the
    // dictation controller exists; an empty hook is skipped (the click then only changes the
    // stored settings, and the panel compares its chips with no per-send pick).
    struct Hooks {
        // The controller's per-send style pick (its `sessionStyle`).
        std::function<std::optional<QString>()> sessionStyle;
        // Makes `style` the style of the coming send only: the controller's `sessionStyle` and the
        // process-wide `activeSendStyle`.
        std::function<void(const QString& style)> pickStyleForSend;
        std::function<void()> updateStatusIcon;
        std::function<void()> rebuildStatusMenu;
    };

    virtual ~RecordingHUD() = default;
    virtual void show() {}
    virtual void hide() {}
    // Rebuilds the panel from the current settings and per-send style, flashing `pendingFlash`.
    virtual void update() {}
    virtual bool exists() const { return false; }
    // Whether the panel shows a microphone pulse, and the value to show (0 … 1).
    virtual bool hasMicPulse() const { return false; }
    virtual void setMicPulse(float /*value*/) {}

    Arrow pendingFlash = Arrow::None;
    Hooks hooks;
};
