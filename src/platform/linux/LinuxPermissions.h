#pragma once

#include "platform/Permissions.h"

#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

class SerialQueue;

// Permissions on an X11 desktop. Asked on the main thread every few seconds, so each answer is
// cached: the microphone (a sound server with an input source) is checked on a worker at most
// once per `recheckSeconds`, the key extensions of the display at most as often; checkAgain()
// asks both again at once.
class LinuxPermissions final : public Permissions {
public:
    // Starts the first microphone check at once, so the first question finds an answer.
    explicit LinuxPermissions(double recheckSeconds = 60.0);
    ~LinuxPermissions() override;

    LinuxPermissions(const LinuxPermissions&) = delete;
    LinuxPermissions& operator=(const LinuxPermissions&) = delete;

    // "notDetermined" only while the very first check is still running (after a short wait).
    PermissionState microphone() override;
    PermissionState accessibility() override;
    PermissionState inputMonitoring() override;
    // Looks for the microphone again at once (on the worker) and reads the display's extensions
    // again at the next question.
    void checkAgain(std::function<void()> answered) override;

    // Blocking: connects to the sound server (no autospawn), asks for the default source (or
    // $PULSE_SOURCE) and disconnects. False when no server answers within `timeoutMs`, and when
    // the default source is only the monitor of an output (a server without any microphone).
    static bool soundServerHasSource(int timeoutMs = 2000);

    // Waits (real time) until no microphone check is running; false when one still is.
    bool waitForMicrophoneCheck(int timeoutMs);

private:
    void startMicrophoneCheckLocked(std::function<void()> answered = {});

    struct Shared {
        std::mutex mutex;
        std::condition_variable answered;
        std::optional<bool> microphone;
        bool checking = false;
    };

    double recheckSeconds_;
    std::shared_ptr<Shared> shared_;
    double microphoneCheckedAt_ = 0;  // monotonic; guarded by shared_->mutex
    std::optional<bool> keyExtensions_;
    double keyExtensionsCheckedAt_ = 0;
    std::unique_ptr<SerialQueue> queue_;
};
