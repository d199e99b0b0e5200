#include "platform/linux/X11Workspace.h"

#include "platform/ApplicationIdentifiers.h"
#include "platform/linux/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

// The first 32-bit item of a window property, absent when there is none.
std::optional<unsigned long> cardinalProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    X11Connection::resetError();
    const int status = XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType,
                                          &actualFormat, &items, &after, &data);
    std::optional<unsigned long> result;
    if (status == Success && !X11Connection::errorSince() && data && items >= 1 && actualFormat == 32)
        result = reinterpret_cast<unsigned long*>(data)[0];
    if (data) XFree(data);
    return result;
}

bool windowExists(Display* display, Window window) {
    XWindowAttributes attributes;
    X11Connection::resetError();
    const Status ok = XGetWindowAttributes(display, window, &attributes);
    return ok && !X11Connection::errorSince();
}

// Mapped by its client (a closed window that its program keeps is unmapped; a window on another
// desktop or minimised may still be mapped).
bool windowMapped(Display* display, Window window) {
    XWindowAttributes attributes;
    X11Connection::resetError();
    const Status ok = XGetWindowAttributes(display, window, &attributes);
    return ok && !X11Connection::errorSince() && attributes.map_state != IsUnmapped;
}

// A window manager is running when the root names a live supporting window.
bool windowManagerRuns(Display* display) {
    const Window root = DefaultRootWindow(display);
    const auto check = cardinalProperty(display, root, atom(display, "_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
    return check && *check != 0 && windowExists(display, *check);
}

}  // namespace

std::optional<RunningApplication> X11Workspace::applicationOfWindow(quint64 start) {
    Display* display = X11Connection::mainDisplay();
    if (!display || start == 0) return std::nullopt;
    const Window root = DefaultRootWindow(display);
    Window window = start;
    for (int depth = 0; depth < 32 && window != 0 && window != root; ++depth) {
        XClassHint hint{nullptr, nullptr};
        X11Connection::resetError();
        const bool hasClass = XGetClassHint(display, window, &hint) && !X11Connection::errorSince();
        if (hasClass) {
            RunningApplication app;
            const QString instance = QString::fromLocal8Bit(hint.res_name ? hint.res_name : "");
            const QString cls = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
            if (hint.res_name) XFree(hint.res_name);
            if (hint.res_class) XFree(hint.res_class);
            app.window = window;
            app.windowClass = cls.isEmpty() ? instance : cls;
            app.name = app.windowClass;
            app.identifier = ApplicationIdentifiers::fromWindowClass(instance, cls);
            if (auto pid = cardinalProperty(display, window, atom(display, "_NET_WM_PID"), XA_CARDINAL))
                app.pid = static_cast<qint32>(*pid);
            app.isSelf = app.pid == static_cast<qint32>(getpid());
            return app;
        }
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        X11Connection::resetError();
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count) || X11Connection::errorSince())
            return std::nullopt;
        if (children) XFree(children);
        window = parent;
    }
    return std::nullopt;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    Display* display = X11Connection::mainDisplay();
    if (!display) return std::nullopt;
    Window window = 0;
    if (windowManagerRuns(display)) {
        // The window manager's word is final when it gives one: no active window means no
        // application in front, and a window it still names after its client closed it (openbox
        // leaves the property behind when the last window goes) is not in front either.
        if (auto active = cardinalProperty(display, DefaultRootWindow(display), atom(display, "_NET_ACTIVE_WINDOW"),
                                           XA_WINDOW)) {
            if (*active == 0 || !windowMapped(display, *active)) return std::nullopt;
            window = *active;
        }
    }
    if (window == 0) {
        int revert = 0;
        XGetInputFocus(display, &window, &revert);
        if (window == None || window == PointerRoot) return std::nullopt;
    }
    return applicationOfWindow(window);
}

bool X11Workspace::isTerminated(const RunningApplication& app) {
    Display* display = X11Connection::mainDisplay();
    if (display && app.window != 0 && !windowExists(display, app.window)) return true;
    if (app.pid > 0 && ::kill(app.pid, 0) == -1 && errno == ESRCH) return true;
    return false;
}

bool X11Workspace::activate(const RunningApplication& app) {
    Display* display = X11Connection::mainDisplay();
    if (!display || app.window == 0) return false;
    X11Connection::resetError();
    if (windowManagerRuns(display)) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = app.window;
        event.xclient.message_type = atom(display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // request from a pager-like tool: honoured without focus stealing checks
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        XRaiseWindow(display, app.window);
        XSetInputFocus(display, app.window, RevertToParent, CurrentTime);
    }
    XSync(display, False);
    return !X11Connection::errorSince();
}
