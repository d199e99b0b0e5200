#pragma once

// The recording panel as the dictation controller drives it. The panel itself is drawn by the UI
// layer; without one (no display, tests) this base class does nothing.
class RecordingHUD {
public:
    enum class Arrow { None, Up, Down, Left, Right };

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
};
