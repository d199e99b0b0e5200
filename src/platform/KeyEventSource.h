#pragma once

#include <QList>
#include <QtGlobal>
#include <functional>

// One key event as the key monitor sees it: virtual key code (platform/KeyCodes.h) and the flag
// bits of the modifiers held at that moment (device-dependent bits and the device-independent masks).
struct KeyEvent {
    enum class Type { KeyDown, KeyUp, FlagsChanged };
    Type type = Type::KeyDown;
    int keyCode = 0;
    quint64 flags = 0;
    bool autorepeat = false;
};

// A key the source must be able to take away from the focused application. Keys outside the
// swallowable set are only observed: a handler's "swallow" answer has no effect on them.
struct KeyChord {
    int keyCode = 0;
    quint64 modifiers = 0;     // exact Shift/Control/Option/Command masks (caps and num lock ignored)
    bool anyModifiers = false;
    int whileHeld = -1;        // only while this key is physically down; -1: always
    bool operator==(const KeyChord&) const = default;
};

// The system-wide keyboard watch: two taps that see every key of the session.
//   Trigger tap:  key down, key up and flags changed (modifier keys), of every key.
//   Shortcut tap: key down only; it sees each key down before the trigger tap does, and a key down
//                 it swallows does not reach the trigger tap.
// Handlers run on the main thread and answer synchronously whether the event is swallowed.
// Our own synthetic keys (announced in SyntheticKeyMarks) never reach a handler.
class KeyEventSource {
public:
    enum class Tap { Trigger, Shortcut };
    using Handler = std::function<bool(const KeyEvent&)>;

    virtual ~KeyEventSource() = default;

    // Installs (or replaces) a tap, enabled. False when the keyboard cannot be watched.
    virtual bool install(Tap tap, Handler handler) = 0;
    // Removes a tap; nothing happens when it is not installed.
    virtual void remove(Tap tap) = 0;
    virtual bool isInstalled(Tap tap) const = 0;
    // A tap can stop delivering on its own (lost connection, a grab taken away); the health
    // check asks and re-enables.
    virtual bool isEnabled(Tap tap) const = 0;
    virtual void enable(Tap tap) = 0;
    // Called on the main thread when the source notices that a tap stopped delivering.
    virtual void setDisabledHandler(std::function<void(Tap)> handler) = 0;

    // The keys that handlers may swallow; replaces the previous set.
    virtual void setSwallowable(const QList<KeyChord>& chords) = 0;
    // Whether the key (virtual code) is physically down right now.
    virtual bool isKeyDown(int keyCode) const = 0;
};
