#pragma once

#include <pulse/pulseaudio.h>

// The pieces every PulseAudio client of ours shares (the threaded main loop's lock held).
namespace PulseContext {

// A new context named "Quendle" with the given media role, its state callback set, connecting
// to the default server without autospawn; null when it cannot even start connecting.
pa_context* connect(pa_threaded_mainloop* loop, const char* mediaRole, pa_context_notify_cb_t onState, void* userdata);
// Disconnects and releases the context (its callback cleared first); null is ignored.
void release(pa_context* context);

}  // namespace PulseContext
