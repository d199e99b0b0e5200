#pragma once

#include "platform/KeyEventSource.h"

#include <QSet>
#include <map>

// A keyboard driven by the test: send events through the installed taps and read back whether
// they were swallowed; switch taps off as the system would; hold keys "physically".
class FakeKeyEventSource final : public KeyEventSource {
public:
    bool install(Tap tap, Handler handler) override;
    void remove(Tap tap) override;
    bool isInstalled(Tap tap) const override;
    bool isEnabled(Tap tap) const override;
    void enable(Tap tap) override;
    void setDisabledHandler(std::function<void(Tap)> handler) override;
    void setSwallowable(const QList<KeyChord>& chords) override;
    bool isKeyDown(int keyCode) const override;

    // Delivers an event the way the real source does: a key down goes to the shortcut tap first
    // and, unless swallowed there, to the trigger tap. Disabled taps see nothing. Returns swallowed.
    bool send(const KeyEvent& event);
    bool keyDown(int code, quint64 flags = 0, bool autorepeat = false);
    bool keyUp(int code, quint64 flags = 0);
    bool flagsChanged(int code, quint64 flags);

    // The system stops a tap; with `notify` the disabled handler is told.
    void disable(Tap tap, bool notify);
    void setKeyDown(int code, bool down);

    bool failInstall = false;             // install() fails for every tap
    bool failShortcutInstall = false;     // install() fails for the shortcut tap only
    QList<KeyChord> swallowable;
    int swallowableUpdates = 0;

private:
    struct Slot {
        Handler handler;
        bool enabled = true;
    };
    std::map<Tap, Slot> taps_;
    std::function<void(Tap)> disabledHandler_;
    QSet<int> down_;
};
