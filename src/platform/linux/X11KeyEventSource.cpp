#include "platform/linux/X11KeyEventSource.h"

#include "platform/Clock.h"
#include "platform/KeyCodes.h"
#include "platform/SyntheticKeyMarks.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11KeyMap.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

unsigned xModifiers(quint64 flags) {
    unsigned mods = 0;
    if (flags & KeyCodes::ShiftFlag) mods |= ShiftMask;
    if (flags & KeyCodes::ControlFlag) mods |= ControlMask;
    if (flags & KeyCodes::OptionFlag) mods |= Mod1Mask;
    if (flags & KeyCodes::CommandFlag) mods |= Mod4Mask;
    return mods;
}

int decisionKey(int xKeyCode, bool down) { return xKeyCode * 2 + (down ? 1 : 0); }

}  // namespace

X11KeyEventSource::X11KeyEventSource(const char* displayName)
    : displayName_(displayName ? QByteArray(displayName) : QByteArray()),
      context_(std::make_unique<QObject>()) {}

X11KeyEventSource::~X11KeyEventSource() { disconnect(); }

bool X11KeyEventSource::connect() {
    display_ = X11Connection::openForXInput2(displayName_.isEmpty() ? nullptr : displayName_.constData(), &xiOpcode_);
    if (!display_) return false;
    XSetIOErrorExitHandler(
        display_, [](Display*, void* self) { static_cast<X11KeyEventSource*>(self)->lostConnection(); }, this);
    broken_ = false;
    root_ = DefaultRootWindow(display_);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(display_, root_, &mask, 1);
    int xkbOpcode = 0, xkbError = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    xkbEvent_ = -1;
    if (!XkbQueryExtension(display_, &xkbOpcode, &xkbEvent_, &xkbError, &xkbMajor, &xkbMinor)) xkbEvent_ = -1;
    XkbSetDetectableAutoRepeat(display_, True, nullptr);
    XkbSelectEvents(display_, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    numLockMask_ = XkbKeysymToModifiers(display_, XK_Num_Lock);
    map_ = std::make_unique<X11KeyMap>(display_);

    // Keys already held when the watch begins.
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    down_.clear();
    for (int code = 0; code < 256; ++code)
        if (keys[code / 8] & (1 << (code % 8))) down_.insert(code);

    notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, context_.get(), [this] { readEvents(); });
    grabbed_.clear();
    applyGrabs();
    XFlush(display_);
    drainLater();
    return true;
}

void X11KeyEventSource::disconnect() {
    notifier_.reset();
    if (display_ && !broken_) {
        for (const Grab& grab : std::as_const(grabbed_)) XUngrabKey(display_, grab.xKeyCode, grab.modifiers, root_);
        XCloseDisplay(display_);
    }
    // A connection that broke is left alone: Xlib must not touch its socket again.
    display_ = nullptr;
    map_.reset();
    grabbed_.clear();
    down_.clear();
    coreDown_.clear();
    decisions_.clear();
    // The server ends the grabs of a closed connection. A key remembered as holding the keyboard
    // would make the next grabbed press wait for an answer that never comes (the desktop's
    // keyboard would stay frozen), and a pass-on left for a release we will never see would
    // type a key nobody pressed.
    activeGrabKey_ = -1;
    tapOnRelease_.clear();
}

void X11KeyEventSource::lostConnection() {
    broken_ = true;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            if (notifier_) notifier_->setEnabled(false);
            if (!disabledHandler_) return;
            std::function<void(Tap)> handler = disabledHandler_;
            for (const auto& [tap, unused] : taps_) handler(tap);
        },
        Qt::QueuedConnection);
}

bool X11KeyEventSource::install(Tap tap, Handler handler) {
    if (!display_ && !connect()) return false;
    taps_[tap] = std::move(handler);
    return true;
}

void X11KeyEventSource::remove(Tap tap) {
    taps_.erase(tap);
    if (taps_.empty() && display_) disconnect();
}

bool X11KeyEventSource::isInstalled(Tap tap) const { return taps_.count(tap) != 0; }

bool X11KeyEventSource::isEnabled(Tap tap) const { return isInstalled(tap) && display_ && !broken_; }

void X11KeyEventSource::enable(Tap tap) {
    if (!isInstalled(tap) || (display_ && !broken_)) return;
    disconnect();
    connect();
}

void X11KeyEventSource::setDisabledHandler(std::function<void(Tap)> handler) {
    disabledHandler_ = std::move(handler);
}

void X11KeyEventSource::setSwallowable(const QList<KeyChord>& chords) {
    chords_ = chords;
    whileHeldKeys_.clear();
    for (const KeyChord& chord : chords)
        if (chord.whileHeld >= 0) whileHeldKeys_.insert(chord.whileHeld);
    applyGrabs();
}

int X11KeyEventSource::xKeyCode(int virtualCode) const { return map_ ? map_->xKeyCode(virtualCode) : 0; }

bool X11KeyEventSource::isKeyDown(int keyCode) const {
    if (!display_ || broken_ || !map_) return false;
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    // The round trip may have read events into Xlib's queue without waking the notifier.
    const_cast<X11KeyEventSource*>(this)->drainLater();
    for (int code : map_->xKeyCodes(keyCode))
        if (code > 0 && code < 256 && (keys[code / 8] & (1 << (code % 8)))) return true;
    return false;
}

void X11KeyEventSource::drainLater() {
    if (drainQueued_) return;
    drainQueued_ = true;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            drainQueued_ = false;
            readEvents();
        },
        Qt::QueuedConnection);
}

void X11KeyEventSource::readEvents() {
    while (display_ && !broken_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handleEvent(event);
    }
}

void X11KeyEventSource::handleEvent(XEvent& event) {
    if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_) {
        if (!XGetEventData(display_, &event.xcookie)) return;
        const int type = event.xcookie.evtype;
        const int detail = static_cast<XIRawEvent*>(event.xcookie.data)->detail;
        XFreeEventData(display_, &event.xcookie);
        if (type == XI_RawKeyPress) rawKey(detail, true);
        else if (type == XI_RawKeyRelease) rawKey(detail, false);
        return;
    }
    if (event.type == KeyPress || event.type == KeyRelease) {
        coreKey(int(event.xkey.keycode), event.type == KeyPress);
        return;
    }
    const bool keymapChanged = event.type == MappingNotify || (xkbEvent_ >= 0 && event.type == xkbEvent_);
    if (keymapChanged) {
        if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
        for (const Grab& grab : std::as_const(grabbed_)) XUngrabKey(display_, grab.xKeyCode, grab.modifiers, root_);
        grabbed_.clear();
        map_->reload();
        numLockMask_ = XkbKeysymToModifiers(display_, XK_Num_Lock);
        applyGrabs();
    }
}

bool X11KeyEventSource::dispatch(const KeyEvent& event) {
    auto deliver = [&](Tap tap) {
        auto it = taps_.find(tap);
        if (it == taps_.end() || !it->second) return false;
        Handler handler = it->second;  // the handler may replace or remove its tap
        return handler(event);
    };
    if (event.type == KeyEvent::Type::KeyDown && deliver(Tap::Shortcut)) return true;
    return deliver(Tap::Trigger);
}

quint64 X11KeyEventSource::currentFlags() const {
    quint64 flags = 0;
    for (int code : down_) flags |= KeyCodes::flagsWhileHeld(map_->virtualCode(code));
    return flags;
}

bool X11KeyEventSource::physicallyDown(int virtualCode) const {
    for (int code : map_->xKeyCodes(virtualCode))
        if (down_.contains(code)) return true;
    return false;
}

void X11KeyEventSource::rawKey(int xKeyCode, bool down) {
    const int key = decisionKey(xKeyCode, down);
    // A decision waits for the core event of the same press or release. One that no core event
    // took (the key was not grabbed then) must not answer for a later one: a release that comes
    // only through our grab (no raw event then) would otherwise be swallowed unseen.
    decisions_.remove(decisionKey(xKeyCode, !down));
    if (SyntheticKeyMarks::shared().consume(xKeyCode, down, Clock::monotonicNow())) {
        decisions_[key] = false;  // ours: never a user key, and never held back
        return;
    }
    const int code = map_->virtualCode(xKeyCode);
    const bool wasDown = down_.contains(xKeyCode);
    if (down) down_.insert(xKeyCode);
    else down_.remove(xKeyCode);
    if (wasDown != down && whileHeldKeys_.contains(code)) applyGrabs();
    if (!down && tapOnRelease_.remove(xKeyCode)) resend(xKeyCode);

    if (KeyCodes::isModifier(code)) {
        decisions_[key] = wasDown != down && dispatch({KeyEvent::Type::FlagsChanged, code, currentFlags(), false});
        return;
    }
    const KeyEvent event{down ? KeyEvent::Type::KeyDown : KeyEvent::Type::KeyUp, code, currentFlags(), down && wasDown};
    decisions_[key] = dispatch(event);
}

void X11KeyEventSource::coreKey(int xKeyCode, bool down) {
    if (!map_ || !display_) return;
    const int code = map_->virtualCode(xKeyCode);
    const bool wasDown = coreDown_.contains(xKeyCode);
    if (down) coreDown_.insert(xKeyCode);
    else coreDown_.remove(xKeyCode);

    bool swallow = false;
    auto it = decisions_.find(decisionKey(xKeyCode, down));
    if (it != decisions_.end()) {
        swallow = it.value();
        decisions_.erase(it);
    } else if (!SyntheticKeyMarks::shared().consume(xKeyCode, down, Clock::monotonicNow())) {
        // No raw event came first: the server sends none to us while we hold the keyboard (and
        // makes its own auto-repeats). This is the first we hear of the key.
        const bool wasPhysicallyDown = down_.contains(xKeyCode);
        if (down) down_.insert(xKeyCode);
        else down_.remove(xKeyCode);
        if (wasPhysicallyDown != down && whileHeldKeys_.contains(code)) applyGrabs();
        if (KeyCodes::isModifier(code)) {
            swallow = wasPhysicallyDown != down && dispatch({KeyEvent::Type::FlagsChanged, code, currentFlags(), false});
        } else {
            const auto type = down ? KeyEvent::Type::KeyDown : KeyEvent::Type::KeyUp;
            swallow = dispatch({type, code, currentFlags(), down && (wasDown || wasPhysicallyDown)});
        }
    }

    if (!down) {
        // The grab a swallowed key started ends with its release.
        if (xKeyCode == activeGrabKey_) activeGrabKey_ = -1;
        if (tapOnRelease_.remove(xKeyCode)) resend(xKeyCode);
        return;
    }
    if (activeGrabKey_ < 0) {
        // The press started one of our passive grabs and the keyboard waits for our answer: keep
        // the grab (its release comes to us too), or hand the press on as if we had never grabbed.
        if (swallow) activeGrabKey_ = xKeyCode;
        XAllowEvents(display_, swallow ? AsyncKeyboard : ReplayKeyboard, CurrentTime);
        XFlush(display_);
        return;
    }
    if (swallow || xKeyCode == activeGrabKey_) return;
    // Another key while we hold the keyboard for a swallowed key: it can no longer be replayed.
    // Give the keyboard back and send the key on when it is released.
    XUngrabKeyboard(display_, CurrentTime);
    XFlush(display_);
    activeGrabKey_ = -1;
    if (!KeyCodes::isModifier(code)) tapOnRelease_.insert(xKeyCode);
}

void X11KeyEventSource::resend(int xKeyCode) {
    // Sent as ours: when it meets one of our grabs, the raw event says so and it is replayed.
    const double now = Clock::monotonicNow();
    SyntheticKeyMarks::shared().announce(xKeyCode, true, now);
    SyntheticKeyMarks::shared().announce(xKeyCode, false, now);
    XTestFakeKeyEvent(display_, unsigned(xKeyCode), True, CurrentTime);
    XTestFakeKeyEvent(display_, unsigned(xKeyCode), False, CurrentTime);
    XFlush(display_);
}

void X11KeyEventSource::applyGrabs() {
    if (!display_ || broken_ || !map_) return;
    QSet<Grab> desired;
    QSet<int> anyKeys;
    for (const KeyChord& chord : std::as_const(chords_)) {
        if (!chord.anyModifiers || (chord.whileHeld >= 0 && !physicallyDown(chord.whileHeld))) continue;
        for (int code : map_->xKeyCodes(chord.keyCode)) {
            desired.insert({code, unsigned(AnyModifier)});
            anyKeys.insert(code);
        }
    }
    const unsigned variants[] = {0u, unsigned(LockMask), numLockMask_, unsigned(LockMask) | numLockMask_};
    for (const KeyChord& chord : std::as_const(chords_)) {
        if (chord.anyModifiers || (chord.whileHeld >= 0 && !physicallyDown(chord.whileHeld))) continue;
        const unsigned base = xModifiers(chord.modifiers);
        for (int code : map_->xKeyCodes(chord.keyCode)) {
            if (anyKeys.contains(code)) continue;
            for (unsigned variant : variants) desired.insert({code, base | variant});
        }
    }
    if (desired == grabbed_) return;
    for (const Grab& grab : std::as_const(grabbed_))
        if (!desired.contains(grab)) XUngrabKey(display_, grab.xKeyCode, grab.modifiers, root_);
    for (const Grab& grab : std::as_const(desired))
        if (!grabbed_.contains(grab))
            XGrabKey(display_, grab.xKeyCode, grab.modifiers, root_, False, GrabModeAsync, GrabModeSync);
    grabbed_ = desired;
    // Wait until the server has the grabs: a key pressed after this returns must find them.
    XSync(display_, False);
    drainLater();
}
