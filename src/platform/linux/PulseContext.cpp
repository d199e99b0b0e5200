#include "platform/linux/PulseContext.h"

namespace PulseContext {

pa_context* connect(pa_threaded_mainloop* loop, const char* mediaRole, pa_context_notify_cb_t onState, void* userdata) {
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Quendle");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, mediaRole);
    pa_context* context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Quendle", props);
    pa_proplist_free(props);
    if (!context) return nullptr;
    pa_context_set_state_callback(context, onState, userdata);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        release(context);
        return nullptr;
    }
    return context;
}

void release(pa_context* context) {
    if (!context) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

}  // namespace PulseContext
