#include "platform/linux/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <atomic>
#include <mutex>

namespace X11Connection {

namespace {
std::atomic<bool> failed{false};

int recordError(Display*, XErrorEvent*) {
    failed = true;
    return 0;
}
// A lost connection is handled by each connection's own exit handler.
int ignoreIOError(Display*) { return 0; }
}  // namespace

void installErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(recordError);
        XSetIOErrorHandler(ignoreIOError);
    });
}

Display* mainDisplay() {
    static Display* display = [] {
        installErrorHandler();
        return XOpenDisplay(nullptr);
    }();
    return display;
}

bool displayReachable() {
    installErrorHandler();
    Display* display = XOpenDisplay(nullptr);
    if (display) XCloseDisplay(display);
    return display != nullptr;
}

QByteArray rootWindowText(const char* displayName, const char* name) {
    installErrorHandler();
    Display* display = XOpenDisplay(displayName);
    if (!display) return {};
    QByteArray text;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, name, False), 0, 65536, False,
                           XA_STRING, &type, &format, &items, &after, &data) == Success &&
        data && type == XA_STRING && format == 8)
        text = QByteArray(reinterpret_cast<const char*>(data), qsizetype(items));
    if (data) XFree(data);
    XCloseDisplay(display);
    return text;
}

Display* openForXInput2(const char* displayName, int* opcode) {
    installErrorHandler();
    Display* display = XOpenDisplay(displayName);
    if (!display) return nullptr;
    int event = 0, error = 0, major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        XCloseDisplay(display);
        return nullptr;
    }
    return display;
}

void resetError() { failed = false; }
bool errorSince() { return failed.load(); }

}  // namespace X11Connection
