#pragma once

#include "platform/Defaults.h"
#include "platform/KeyEventSource.h"
#include "platform/MainQueue.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

// Watches the keyboard system-wide and turns raw key events into a few callbacks: the trigger key
// went down or up, another key was pressed while a modifier trigger is held (a combo), an arrow
// key, the bulk-delete shortcut or the screenshot-paste shortcut. It knows nothing of recording;
// it only reports, and it decides which events are swallowed.
//
// onPress, onRelease and onCombo are always delivered later on the main queue; onArrowKey,
// onBulkDelete and onScreenshotPaste run synchronously inside the key handler and must be quick.
class HotKeyMonitor {
public:
    explicit HotKeyMonitor(KeyEventSource& source);
    ~HotKeyMonitor();
    HotKeyMonitor(const HotKeyMonitor&) = delete;
    HotKeyMonitor& operator=(const HotKeyMonitor&) = delete;

    // Starts watching (stopping first). True when at least the trigger tap runs. When the
    // trigger was held, the release is reported: the old watch can no longer see it.
    bool start();
    // Stops everything; safe when nothing runs.
    void stop();

    std::function<void()> onPress;
    std::function<void()> onRelease;
    std::function<bool(int keyCode)> onArrowKey;   // true: handled, swallow the key
    std::function<bool()> onBulkDelete;            // true: handled, swallow the key
    std::function<void()> onScreenshotPaste;
    std::function<void()> onCombo;

    // The arrow keys are taken from the focused application only while a recording runs; the
    // dictation controller says when.
    void setRecordingActive(bool active);

    bool isRunning() const;
    bool isDown() const { return isDown_; }

    // The trigger-key kinds.
    static bool isOrdinaryTrigger(int code);
    static quint64 triggerFlagBit(int code);

    // The pieces below are driven by the taps and the timer; tests call them directly too.
    bool handle(const KeyEvent& event);
    bool handleShortcut(const KeyEvent& event);
    void rearm(const QString& reason);
    void watchdogTick();
    // The keys the source must be able to swallow under the current settings and state.
    QList<KeyChord> swallowableChords() const;

    static constexpr double kWatchdogInterval = 10.0;

private:
    enum class Report { Press, Release, Combo };
    void report(Report what);
    void refreshSwallowable();
    void observeSettings();
    void unobserveSettings();
    void triggerSettingChanged();

    KeyEventSource& source_;
    bool isDown_ = false;
    bool comboFired_ = false;
    bool recordingActive_ = false;
    int downTrigger_ = -1;  // the trigger code that went down (for the settings-change release)
    MainQueue::TimerId watchdog_ = 0;
    QList<KeyChord> lastChords_;
    bool chordsSent_ = false;
    QList<Defaults::ObserverId> observers_;
    Defaults* observedDefaults_ = nullptr;  // the store the observers were registered with
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
