#include "platform/linux/LinuxPermissions.h"

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/linux/PulseContext.h"
#include "platform/linux/X11Trust.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

// How long the first question waits for the first microphone check.
constexpr auto kFirstAnswerWait = std::chrono::milliseconds(500);

struct Probe {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    bool deadlinePassed = false;
    bool sourceDone = false;
    bool sourceFound = false;
    // A source named by $PULSE_SOURCE counts even when it is an output's monitor; the default one
    // does not, since a server without any microphone offers such a monitor as its default.
    bool monitorsCount = false;
};

void signalLoop(pa_context*, void* userdata) { pa_threaded_mainloop_signal(static_cast<Probe*>(userdata)->loop, 0); }

void sourceInfoArrived(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* probe = static_cast<Probe*>(userdata);
    if (eol != 0 || !info)
        probe->sourceDone = true;
    else if (probe->monitorsCount || info->monitor_of_sink == PA_INVALID_INDEX)
        probe->sourceFound = true;
    pa_threaded_mainloop_signal(probe->loop, 0);
}

void deadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* probe = static_cast<Probe*>(userdata);
    probe->deadlinePassed = true;
    pa_threaded_mainloop_signal(probe->loop, 0);
}

// With the loop locked: the default source exists on a server that answered in time.
bool askLocked(Probe& probe) {
    probe.context = PulseContext::connect(probe.loop, "production", signalLoop, &probe);
    if (!probe.context) return false;
    const auto connected = [&probe] {
        const pa_context_state_t s = pa_context_get_state(probe.context);
        return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
    };
    while (!connected() && !probe.deadlinePassed) pa_threaded_mainloop_wait(probe.loop);
    if (pa_context_get_state(probe.context) != PA_CONTEXT_READY) return false;

    std::string name = "@DEFAULT_SOURCE@";
    if (const char* env = std::getenv("PULSE_SOURCE"); env && *env) {
        name = env;
        probe.monitorsCount = true;
    }
    pa_operation* op = pa_context_get_source_info_by_name(probe.context, name.c_str(), sourceInfoArrived, &probe);
    if (!op) return false;
    while (!probe.sourceDone && !probe.deadlinePassed) pa_threaded_mainloop_wait(probe.loop);
    if (!probe.sourceDone) pa_operation_cancel(op);
    pa_operation_unref(op);
    return probe.sourceFound;
}

}  // namespace

bool LinuxPermissions::soundServerHasSource(int timeoutMs) {
    Probe probe;
    probe.loop = pa_threaded_mainloop_new();
    if (!probe.loop) return false;
    if (pa_threaded_mainloop_start(probe.loop) < 0) {
        pa_threaded_mainloop_free(probe.loop);
        return false;
    }
    pa_threaded_mainloop_lock(probe.loop);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(probe.loop);
    struct timeval tv;
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(timeoutMs) * PA_USEC_PER_MSEC);
    pa_time_event* deadline = api->time_new(api, &tv, deadlinePassed, &probe);
    const bool found = askLocked(probe);
    api->time_free(deadline);
    PulseContext::release(probe.context);
    pa_threaded_mainloop_unlock(probe.loop);
    pa_threaded_mainloop_stop(probe.loop);
    pa_threaded_mainloop_free(probe.loop);
    return found;
}

LinuxPermissions::LinuxPermissions(double recheckSeconds)
    : recheckSeconds_(recheckSeconds), shared_(std::make_shared<Shared>()),
      queue_(std::make_unique<SerialQueue>(QStringLiteral("orvane.permissions"))) {
    std::lock_guard lock(shared_->mutex);
    startMicrophoneCheckLocked();
}

LinuxPermissions::~LinuxPermissions() { queue_.reset(); }

void LinuxPermissions::startMicrophoneCheckLocked(std::function<void()> answered) {
    shared_->checking = true;
    microphoneCheckedAt_ = Clock::monotonicNow();
    queue_->post([shared = shared_, answered = std::move(answered)] {
        const bool found = soundServerHasSource();
        {
            std::lock_guard lock(shared->mutex);
            shared->microphone = found;
            shared->checking = false;
            shared->answered.notify_all();
        }
        if (answered) MainQueue::post(answered);
    });
}

void LinuxPermissions::checkAgain(std::function<void()> answered) {
    keyExtensions_.reset();
    std::lock_guard lock(shared_->mutex);
    // A check already running may have started before the change: this one runs after it.
    startMicrophoneCheckLocked(std::move(answered));
}

PermissionState LinuxPermissions::microphone() {
    std::unique_lock lock(shared_->mutex);
    if (!shared_->checking && Clock::monotonicNow() - microphoneCheckedAt_ >= recheckSeconds_)
        startMicrophoneCheckLocked();
    if (!shared_->microphone)
        shared_->answered.wait_for(lock, kFirstAnswerWait, [this] { return shared_->microphone.has_value(); });
    if (!shared_->microphone) return PermissionState::NotDetermined;
    // Until the next check ends, the last answer stands.
    return *shared_->microphone ? PermissionState::Granted : PermissionState::Denied;
}

bool LinuxPermissions::waitForMicrophoneCheck(int timeoutMs) {
    std::unique_lock lock(shared_->mutex);
    return shared_->answered.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !shared_->checking; });
}

PermissionState LinuxPermissions::accessibility() {
    const double now = Clock::monotonicNow();
    if (!keyExtensions_ || now - keyExtensionsCheckedAt_ >= recheckSeconds_) {
        keyExtensions_ = X11Trust::inputExtensionsAvailable();
        keyExtensionsCheckedAt_ = now;
    }
    return *keyExtensions_ ? PermissionState::Granted : PermissionState::Denied;
}

// On X11 whoever may send keys may also watch them: the same extensions decide both.
PermissionState LinuxPermissions::inputMonitoring() { return accessibility(); }
