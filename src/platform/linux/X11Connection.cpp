#include "platform/linux/X11Connection.h"

#include <X11/Xlib.h>

#include <atomic>
#include <mutex>

namespace X11Connection {

namespace {
std::atomic<bool> failed{false};

int recordError(Display*, XErrorEvent*) {
    failed = true;
    return 0;
}
}  // namespace

void installErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(recordError);
    });
}

Display* mainDisplay() {
    static Display* display = [] {
        installErrorHandler();
        return XOpenDisplay(nullptr);
    }();
    return display;
}

void resetError() { failed = false; }
bool errorSince() { return failed.load(); }

}  // namespace X11Connection
