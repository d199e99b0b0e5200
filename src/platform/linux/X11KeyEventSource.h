#pragma once

#include "platform/KeyEventSource.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <map>
#include <memory>

class QSocketNotifier;
class X11KeyMap;
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

// The keyboard of the X11 desktop, on a connection of its own, read on the main thread.
//
// XInput2 raw key events on the root window show every key (modifiers included) without taking
// it; they drive the handlers. Keys that may be swallowed are grabbed with XGrabKey on the root
// window (with the caps-lock and num-lock variants) in synchronous keyboard mode: the server holds
// the keyboard until the handlers have answered, then the press is either kept or replayed to the
// focused window as if it had never been grabbed. Keys this process sends itself (announced in
// SyntheticKeyMarks) are never handed to a handler.
//
// Create and use it on the main thread (its socket is read there). The handlers must answer
// quickly: while they decide on a grabbed key, the desktop's keyboard waits.
//
// A tap counts as disabled when the connection to the X server is lost; enable() reconnects.
class X11KeyEventSource final : public KeyEventSource {
public:
    // `displayName` null: $DISPLAY.
    explicit X11KeyEventSource(const char* displayName = nullptr);
    ~X11KeyEventSource() override;

    bool install(Tap tap, Handler handler) override;
    void remove(Tap tap) override;
    bool isInstalled(Tap tap) const override;
    bool isEnabled(Tap tap) const override;
    void enable(Tap tap) override;
    void setDisabledHandler(std::function<void(Tap)> handler) override;
    void setSwallowable(const QList<KeyChord>& chords) override;
    bool isKeyDown(int keyCode) const override;

    // The X key code of a virtual code on this keyboard (0 when none); for tests and helpers.
    int xKeyCode(int virtualCode) const;

private:
    struct Grab {
        int xKeyCode;
        unsigned modifiers;
        bool operator==(const Grab&) const = default;
    };
    friend size_t qHash(const Grab& g, size_t seed) { return qHashMulti(seed, g.xKeyCode, g.modifiers); }

    bool connect();
    void disconnect();
    void readEvents();
    void drainLater();
    void handleEvent(XEvent& event);
    void rawKey(int xKeyCode, bool down);
    void coreKey(int xKeyCode, bool down);
    bool dispatch(const KeyEvent& event);
    quint64 currentFlags() const;
    bool physicallyDown(int virtualCode) const;
    void applyGrabs();
    void resend(int xKeyCode);
    void lostConnection();

    const QByteArray displayName_;
    Display* display_ = nullptr;
    unsigned long root_ = 0;
    int xiOpcode_ = -1;
    int xkbEvent_ = -1;
    unsigned numLockMask_ = 0;
    std::unique_ptr<X11KeyMap> map_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QObject> context_;
    bool broken_ = false;
    bool drainQueued_ = false;

    std::map<Tap, Handler> taps_;
    std::function<void(Tap)> disabledHandler_;
    QList<KeyChord> chords_;
    QSet<int> whileHeldKeys_;   // virtual codes whose state changes the grabs
    QSet<Grab> grabbed_;
    QSet<int> down_;            // X key codes physically down (raw events)
    QSet<int> coreDown_;        // X key codes down as seen through the grabs
    QHash<int, bool> decisions_;  // (X key code * 2 + down) -> swallow, decided on the raw event
    QSet<int> tapOnRelease_;    // passed keys that could not be replayed, sent on at release
    int activeGrabKey_ = -1;    // the swallowed key whose grab holds the keyboard
};
