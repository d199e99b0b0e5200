#pragma once

// A window manager for tests that need one (header only). The headless session runs without one
// unless QUENDLE_SESSION_WM names it; a test that wants the desktop of a real user (an EWMH window
// manager that owns activation and publishes _NET_ACTIVE_WINDOW) starts openbox for its own span
// and stops it by PID afterwards. When a window manager already runs, nothing is started.
//
// Xlib's macros clash with Qt's names: include this header after every Qt and gtest header.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtGlobal>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <optional>
#include <vector>

class SessionWindowManager {
public:
    SessionWindowManager() : display_(XOpenDisplay(nullptr)) {
        if (!display_) return;
        if (running()) {
            ready_ = true;  // the session's own window manager
            return;
        }
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty() || !config_.isValid()) return;
        // Its own configuration folder: the defaults from /etc/xdg, no session manager, no autostart.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start(openbox, {QStringLiteral("--sm-disable")});
        if (!process_.waitForStarted(5000)) return;
        QElapsedTimer timer;
        timer.start();
        while (!running() && timer.elapsed() < 10000 && process_.state() == QProcess::Running)
            process_.waitForFinished(20);
        // openbox announces itself before it has finished starting; a window mapped in between
        // can stay unmanaged for good. Ready is when it has managed a window of our own.
        ready_ = running() && managesNewWindows(QDeadlineTimer(10000));
    }
    ~SessionWindowManager() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) process_.kill();
            process_.waitForFinished(1000);
            // The server forgets its windows only once it has seen the connection close.
            QDeadlineTimer gone(3000);
            while (display_ && running() && !gone.hasExpired()) QThread::msleep(10);
        }
        if (display_) XCloseDisplay(display_);
    }
    SessionWindowManager(const SessionWindowManager&) = delete;
    SessionWindowManager& operator=(const SessionWindowManager&) = delete;

    // A window manager is managing the screen.
    bool ready() const { return ready_; }
    // True when this object started it (false when the session already had one).
    bool started() const { return process_.state() == QProcess::Running; }
    Display* display() const { return display_; }

    // A window manager is running: the root names a live _NET_SUPPORTING_WM_CHECK window.
    bool running() const {
        const auto check = windowProperty(DefaultRootWindow(display_), "_NET_SUPPORTING_WM_CHECK");
        if (!check || *check == 0) return false;
        XWindowAttributes attributes;
        return quietly([&] { return XGetWindowAttributes(display_, *check, &attributes) != 0; });
    }

    // The window the window manager says is active (0 when none).
    Window activeWindow() const {
        return windowProperty(DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW").value_or(0);
    }

    // The managed top-level window of a process (from _NET_CLIENT_LIST and _NET_WM_PID), 0 when
    // it has none yet; waits up to `ms` for it to be managed.
    Window windowOfProcess(qint64 pid, int ms = 5000) const {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            for (Window window : clientList())
                if (cardinal(window, "_NET_WM_PID").value_or(0) == static_cast<unsigned long>(pid)) return window;
            if (timer.elapsed() > ms) return 0;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }

    // Asks for a window to be activated the way a taskbar does when the user clicks its button.
    void activateAsUser(Window window) const {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        XSync(display_, False);
    }

    // The window that has the keyboard focus on the X server.
    Window inputFocus() const {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        return focus;
    }

    // The managed window of a process once the window manager has made it the active one (0 when
    // that did not happen within `ms`).
    Window activeWindowOfProcess(qint64 pid, int ms = 5000) const {
        const Window window = windowOfProcess(pid, ms);
        return window && waitForActive(window, ms) && waitForFocus(window, ms) ? window : 0;
    }

    // Runs the Qt loop until the keyboard focus is in `window` (or a child of it) or `ms` passed.
    bool waitForFocus(Window window, int ms = 5000) const {
        QElapsedTimer timer;
        timer.start();
        while (!isWithin(inputFocus(), window) && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return isWithin(inputFocus(), window);
    }

    // Runs the Qt loop until `window` is the active window or `ms` passed; true once it was seen
    // active (another activation may follow at once).
    bool waitForActive(Window window, int ms = 5000) const {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            if (activeWindow() == window) return true;
            if (timer.elapsed() >= ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }

private:
    bool isWithin(Window child, Window ancestor) const {
        for (Window w = child; w && w != PointerRoot;) {
            if (w == ancestor) return true;
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!quietly([&] { return XQueryTree(display_, w, &root, &parent, &children, &count) != 0; })) return false;
            if (children) XFree(children);
            if (parent == root) return false;
            w = parent;
        }
        return false;
    }

    // Maps a small window of our own until the window manager has taken it in (it sets WM_STATE),
    // then destroys it. A map request that arrives while openbox is still starting is dropped, so
    // the request is repeated until one is served.
    bool managesNewWindows(QDeadlineTimer deadline) {
        const Window probe = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 8, 8, 0, 0, 0);
        bool managed = false;
        while (!managed && !deadline.hasExpired() && process_.state() == QProcess::Running) {
            XMapWindow(display_, probe);
            XSync(display_, False);
            QDeadlineTimer attempt(250);
            while (!(managed = !property(probe, "WM_STATE", AnyPropertyType).empty()) && !attempt.hasExpired())
                process_.waitForFinished(10);
        }
        XDestroyWindow(display_, probe);
        XSync(display_, False);
        return managed;
    }

    template <typename F>
    bool quietly(F request) const {
        static bool failed = false;
        failed = false;
        XSync(display_, False);
        auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
            failed = true;
            return 0;
        });
        const bool ok = request();
        XSync(display_, False);
        XSetErrorHandler(previous);
        return ok && !failed;
    }

    std::vector<unsigned long> property(Window window, const char* name, Atom type) const {
        std::vector<unsigned long> values;
        quietly([&] {
            Atom actualType = None;
            int actualFormat = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            const int status = XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 4096, False,
                                                  type, &actualType, &actualFormat, &items, &after, &data);
            if (status == Success && data && actualFormat == 32) {
                const auto* longs = reinterpret_cast<const unsigned long*>(data);
                values.assign(longs, longs + items);
            }
            if (data) XFree(data);
            return status == Success;
        });
        return values;
    }
    std::optional<unsigned long> windowProperty(Window window, const char* name) const {
        const auto values = property(window, name, XA_WINDOW);
        if (values.empty()) return std::nullopt;
        return values.front();
    }
    std::optional<unsigned long> cardinal(Window window, const char* name) const {
        const auto values = property(window, name, XA_CARDINAL);
        if (values.empty()) return std::nullopt;
        return values.front();
    }
    std::vector<unsigned long> clientList() const {
        return property(DefaultRootWindow(display_), "_NET_CLIENT_LIST", XA_WINDOW);
    }

    Display* display_;
    QTemporaryDir config_;
    QProcess process_;
    bool ready_ = false;
};
