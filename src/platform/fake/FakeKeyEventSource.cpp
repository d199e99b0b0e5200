#include "platform/fake/FakeKeyEventSource.h"

bool FakeKeyEventSource::install(Tap tap, Handler handler) {
    if (failInstall || (tap == Tap::Shortcut && failShortcutInstall)) return false;
    taps_[tap] = Slot{std::move(handler), true};
    return true;
}

void FakeKeyEventSource::remove(Tap tap) { taps_.erase(tap); }

bool FakeKeyEventSource::isInstalled(Tap tap) const { return taps_.count(tap) != 0; }

bool FakeKeyEventSource::isEnabled(Tap tap) const {
    auto it = taps_.find(tap);
    return it != taps_.end() && it->second.enabled;
}

void FakeKeyEventSource::enable(Tap tap) {
    auto it = taps_.find(tap);
    if (it != taps_.end()) it->second.enabled = true;
}

void FakeKeyEventSource::setDisabledHandler(std::function<void(Tap)> handler) {
    disabledHandler_ = std::move(handler);
}

void FakeKeyEventSource::setSwallowable(const QList<KeyChord>& chords) {
    swallowable = chords;
    ++swallowableUpdates;
}

bool FakeKeyEventSource::isKeyDown(int keyCode) const { return down_.contains(keyCode); }

bool FakeKeyEventSource::send(const KeyEvent& event) {
    auto deliver = [&](Tap tap) {
        auto it = taps_.find(tap);
        if (it == taps_.end() || !it->second.enabled || !it->second.handler) return false;
        Handler handler = it->second.handler;  // the handler may replace the tap
        return handler(event);
    };
    if (event.type == KeyEvent::Type::KeyDown && deliver(Tap::Shortcut)) return true;
    return deliver(Tap::Trigger);
}

bool FakeKeyEventSource::keyDown(int code, quint64 flags, bool autorepeat) {
    return send({KeyEvent::Type::KeyDown, code, flags, autorepeat});
}

bool FakeKeyEventSource::keyUp(int code, quint64 flags) {
    return send({KeyEvent::Type::KeyUp, code, flags, false});
}

bool FakeKeyEventSource::flagsChanged(int code, quint64 flags) {
    return send({KeyEvent::Type::FlagsChanged, code, flags, false});
}

void FakeKeyEventSource::disable(Tap tap, bool notify) {
    auto it = taps_.find(tap);
    if (it == taps_.end()) return;
    it->second.enabled = false;
    if (notify && disabledHandler_) disabledHandler_(tap);
}

void FakeKeyEventSource::setKeyDown(int code, bool down) {
    if (down) down_.insert(code);
    else down_.remove(code);
}
