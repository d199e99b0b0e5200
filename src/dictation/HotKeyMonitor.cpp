#include "dictation/HotKeyMonitor.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "platform/KeyCodes.h"

#include <QSet>

using Tap = KeyEventSource::Tap;

namespace {

const QSet<int>& ordinaryTriggers() {
    static const QSet<int> codes{KeyCodes::Eisu, KeyCodes::Kana, KeyCodes::F1, KeyCodes::F2,
                                 KeyCodes::F3,   KeyCodes::F4,   KeyCodes::F5, KeyCodes::F6,
                                 KeyCodes::F7,   KeyCodes::F8,   KeyCodes::F9, KeyCodes::F10,
                                 KeyCodes::F11,  KeyCodes::F12};
    return codes;
}

// The screenshot shortcut in effect: a held key that is busy as the trigger cannot be its modifier.
QString effectiveScreenshotMode(int trigger) {
    QString mode = AppPrefs::screenshotPasteKey();
    if ((mode == "eisu" && trigger == KeyCodes::Eisu) || (mode == "kana" && trigger == KeyCodes::Kana))
        mode = QStringLiteral("controlOptionCommand");
    return mode;
}

constexpr quint64 kCommand = KeyCodes::CommandFlag;
constexpr quint64 kOption = KeyCodes::OptionFlag;
constexpr quint64 kControl = KeyCodes::ControlFlag;
constexpr quint64 kShift = KeyCodes::ShiftFlag;

}  // namespace

HotKeyMonitor::HotKeyMonitor(KeyEventSource& source) : source_(source) {}

HotKeyMonitor::~HotKeyMonitor() {
    stop();
    alive_.reset();
}

bool HotKeyMonitor::isOrdinaryTrigger(int code) { return ordinaryTriggers().contains(code); }

quint64 HotKeyMonitor::triggerFlagBit(int code) { return KeyCodes::deviceFlagBit(code); }

bool HotKeyMonitor::isRunning() const { return source_.isInstalled(Tap::Trigger); }

bool HotKeyMonitor::start() {
    // A trigger held across a restart of the watch would never see its release, and the recording
    // would run on to its limit: report the release now, as the re-arm does for a lost one.
    const bool wasHeld = isDown_;
    stop();
    if (wasHeld) report(Report::Release);

    std::weak_ptr<int> alive = alive_;
    const bool started = source_.install(Tap::Trigger, [this, alive](const KeyEvent& event) {
        if (alive.expired()) return false;
        return handle(event);
    });
    if (!started) return false;
    source_.install(Tap::Shortcut, [this, alive](const KeyEvent& event) {
        if (alive.expired()) return false;
        return handleShortcut(event);
    });
    source_.setDisabledHandler([this, alive](Tap) {
        if (alive.expired()) return;
        rearm(QStringLiteral("停止通知"));
    });
    observeSettings();
    refreshSwallowable();

    MainQueue::cancel(watchdog_);
    watchdog_ = MainQueue::every(kWatchdogInterval, [this, alive] {
        if (alive.expired()) return;
        watchdogTick();
    });
    return true;
}

void HotKeyMonitor::stop() {
    MainQueue::cancel(watchdog_);
    unobserveSettings();
    if (source_.isInstalled(Tap::Trigger) || source_.isInstalled(Tap::Shortcut)) {
        source_.setSwallowable({});
        source_.setDisabledHandler(nullptr);
    }
    source_.remove(Tap::Trigger);
    source_.remove(Tap::Shortcut);
    lastChords_.clear();
    chordsSent_ = false;
    isDown_ = false;
    comboFired_ = false;
    downTrigger_ = -1;
}

void HotKeyMonitor::setRecordingActive(bool active) {
    if (recordingActive_ == active) return;
    recordingActive_ = active;
    if (isRunning()) refreshSwallowable();
}

void HotKeyMonitor::report(Report what) {
    std::weak_ptr<int> alive = alive_;
    MainQueue::post([this, alive, what] {
        if (alive.expired()) return;
        const std::function<void()>& callback =
            what == Report::Press ? onPress : what == Report::Release ? onRelease : onCombo;
        if (callback) callback();
    });
}

bool HotKeyMonitor::handle(const KeyEvent& event) {
    const int code = event.keyCode;
    const int trigger = AppPrefs::triggerKeyCode();
    const bool ordinary = isOrdinaryTrigger(trigger);

    if (code == trigger && !ordinary) {
        if (event.type != KeyEvent::Type::FlagsChanged) return false;
        // fn has no effect of its own in applications; the key that stands in for it on PC
        // keyboards (Menu) would open context menus, so as the trigger it is kept back.
        const bool swallow = code == KeyCodes::Function;
        const bool down = (event.flags & triggerFlagBit(code)) != 0;
        if (down == isDown_) return swallow;
        isDown_ = down;
        if (down) {
            comboFired_ = false;
            downTrigger_ = trigger;
            report(Report::Press);
        } else {
            report(Report::Release);
        }
        return swallow;
    }

    if (code == trigger) {
        switch (event.type) {
        case KeyEvent::Type::KeyDown:
            if (event.autorepeat || isDown_) return true;
            isDown_ = true;
            comboFired_ = false;
            downTrigger_ = trigger;
            report(Report::Press);
            return true;
        case KeyEvent::Type::KeyUp:
            if (!isDown_) return true;
            isDown_ = false;
            report(Report::Release);
            return true;
        case KeyEvent::Type::FlagsChanged:
            return false;
        }
        return false;
    }

    if (event.type == KeyEvent::Type::KeyDown && isDown_ && !comboFired_ && !ordinary &&
        !KeyCodes::isArrow(code)) {
        comboFired_ = true;
        report(Report::Combo);
    }
    return false;
}

bool HotKeyMonitor::handleShortcut(const KeyEvent& event) {
    if (event.type != KeyEvent::Type::KeyDown) return false;
    const int code = event.keyCode;

    if (KeyCodes::isArrow(code)) return onArrowKey ? onArrowKey(code) : false;

    if (code == KeyCodes::V) {
        const bool eisuDown = source_.isKeyDown(KeyCodes::Eisu);
        const bool kanaDown = source_.isKeyDown(KeyCodes::Kana);
        if (!AppPrefs::screenshotPasteEnabled()) return false;
        const QString mode = effectiveScreenshotMode(AppPrefs::triggerKeyCode());
        const quint64 m = event.flags & KeyCodes::ShortcutModifierFlags;
        bool match;
        if (mode == "optionCommand") match = m == (kCommand | kOption);
        else if (mode == "eisu") match = m == 0 && eisuDown;
        else if (mode == "kana") match = m == 0 && kanaDown;
        else match = m == (kCommand | kOption | kControl);
        if (!match) return false;
        if (!event.autorepeat && onScreenshotPaste) onScreenshotPaste();
        return true;
    }

    if (code == KeyCodes::Delete) {
        if (isDown_ && source_.isKeyDown(AppPrefs::triggerKeyCode())) return true;
        if (!AppPrefs::bulkDelete()) return false;
        const QString key = AppPrefs::bulkDeleteKey();
        const quint64 f = event.flags;
        bool match;
        if (key == "commandShift") match = (f & (kCommand | kOption | kShift)) == (kCommand | kShift) && !(f & kControl);
        else if (key == "control") match = (f & (kCommand | kOption | kControl)) == kControl && !(f & kShift);
        else if (key == "controlShift") match = (f & (kCommand | kControl | kShift)) == (kControl | kShift) && !(f & kOption);
        else match = (f & (kCommand | kOption | kControl)) == kCommand && !(f & kShift);
        if (!match) return false;
        return onBulkDelete ? onBulkDelete() : false;
    }
    return false;
}

void HotKeyMonitor::rearm(const QString& reason) {
    if (source_.isInstalled(Tap::Trigger)) source_.enable(Tap::Trigger);
    if (source_.isInstalled(Tap::Shortcut)) source_.enable(Tap::Shortcut);
    bool held = false;
    if (isDown_) held = source_.isKeyDown(AppPrefs::triggerKeyCode() & 0xFFFF);
    AppLog::write(QStringLiteral("キー見張りが止まっていたので入れ直す（") + reason + QStringLiteral("・キーは") +
                  (held ? QStringLiteral("押下中なので録音継続") : QStringLiteral("解放済み")) + QStringLiteral("）"));
    if (!held && isDown_) {
        isDown_ = false;
        report(Report::Release);
    }
}

void HotKeyMonitor::watchdogTick() {
    const bool triggerOff = source_.isInstalled(Tap::Trigger) && !source_.isEnabled(Tap::Trigger);
    const bool shortcutOff = source_.isInstalled(Tap::Shortcut) && !source_.isEnabled(Tap::Shortcut);
    if (triggerOff || shortcutOff) rearm(QStringLiteral("見回り"));
    else refreshSwallowable();
}

QList<KeyChord> HotKeyMonitor::swallowableChords() const {
    QList<KeyChord> chords;
    const int trigger = AppPrefs::triggerKeyCode();
    if (isOrdinaryTrigger(trigger) || trigger == KeyCodes::Function) chords.append({trigger, 0, true, -1});
    if (AppPrefs::screenshotPasteEnabled()) {
        const QString mode = effectiveScreenshotMode(trigger);
        if (mode == "optionCommand") chords.append({KeyCodes::V, kCommand | kOption, false, -1});
        else if (mode == "eisu") chords.append({KeyCodes::V, 0, false, KeyCodes::Eisu});
        else if (mode == "kana") chords.append({KeyCodes::V, 0, false, KeyCodes::Kana});
        else chords.append({KeyCodes::V, kCommand | kOption | kControl, false, -1});
    }
    // Delete is taken while the trigger is held (it is dropped then), and as the bulk-delete chord.
    chords.append({KeyCodes::Delete, 0, true, trigger});
    if (AppPrefs::bulkDelete()) {
        const QString key = AppPrefs::bulkDeleteKey();
        quint64 mods = kCommand;
        if (key == "commandShift") mods = kCommand | kShift;
        else if (key == "control") mods = kControl;
        else if (key == "controlShift") mods = kControl | kShift;
        chords.append({KeyCodes::Delete, mods, false, -1});
    }
    if (recordingActive_) {
        for (int code = KeyCodes::LeftArrow; code <= KeyCodes::UpArrow; ++code) chords.append({code, 0, true, -1});
    }
    return chords;
}

void HotKeyMonitor::refreshSwallowable() {
    const QList<KeyChord> chords = swallowableChords();
    if (chordsSent_ && chords == lastChords_) return;
    lastChords_ = chords;
    chordsSent_ = true;
    source_.setSwallowable(chords);
}

void HotKeyMonitor::observeSettings() {
    unobserveSettings();
    std::weak_ptr<int> alive = alive_;
    observedDefaults_ = &AppPrefs::defaults();
    Defaults& defaults = *observedDefaults_;
    observers_ << defaults.observe(QStringLiteral("triggerKeyCode"), [this, alive] {
        if (!alive.expired()) triggerSettingChanged();
    });
    for (const char* key : {"screenshotPasteEnabled", "screenshotPasteKey", "bulkDelete", "bulkDeleteKey"}) {
        observers_ << defaults.observe(QString::fromLatin1(key), [this, alive] {
            if (!alive.expired() && isRunning()) refreshSwallowable();
        });
    }
}

void HotKeyMonitor::unobserveSettings() {
    if (observedDefaults_)
        for (Defaults::ObserverId id : observers_) observedDefaults_->unobserve(id);
    observers_.clear();
    observedDefaults_ = nullptr;
}

void HotKeyMonitor::triggerSettingChanged() {
    if (!isRunning()) return;
    // The held key is no longer the trigger: nothing would ever report its release.
    if (isDown_ && AppPrefs::triggerKeyCode() != downTrigger_) {
        isDown_ = false;
        comboFired_ = false;
        report(Report::Release);
    }
    refreshSwallowable();
}
