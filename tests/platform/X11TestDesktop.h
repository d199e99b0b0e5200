#pragma once

// Test helpers for the X server of the headless session: a keyboard that presses keys by X key
// code through XTest (unmarked, like a person's), and a focused window that records the keys it
// receives. Header-only; each test binary includes it once.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QList>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

// ctest runs test cases side by side, but there is one keyboard, one focus and one keymap on the
// test X server: tests that press keys, take the focus or change the keymap hold this lock.
class XKeyboardLock {
public:
    XKeyboardLock() {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QString dir = runtime.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(runtime);
        fd_ = ::open(QString(dir + "/quendle-x-keyboard.lock").toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~XKeyboardLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    XKeyboardLock(const XKeyboardLock&) = delete;
    XKeyboardLock& operator=(const XKeyboardLock&) = delete;

private:
    int fd_ = -1;
};

// Runs the Qt loop until `done` holds or `ms` of real time passed; returns `done()`.
inline bool pumpUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

class XTestKeyboard {
public:
    XTestKeyboard() : display_(XOpenDisplay(nullptr)) {}
    ~XTestKeyboard() {
        if (display_) XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    Display* display() const { return display_; }
    int code(KeySym sym) const { return XKeysymToKeycode(display_, sym); }
    void key(int xKeyCode, bool down) {
        XTestFakeKeyEvent(display_, unsigned(xKeyCode), down ? True : False, CurrentTime);
        XFlush(display_);
    }
    void tap(int xKeyCode) {
        key(xKeyCode, true);
        key(xKeyCode, false);
    }

private:
    Display* display_;
};

class X11TestWindow {
public:
    struct Key {
        int xKeyCode;
        bool down;
    };

    X11TestWindow() : display_(XOpenDisplay(nullptr)) {
        if (!display_) return;
        const int screen = DefaultScreen(display_);
        window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 10, 10, 200, 200, 0, 0, 0);
        XSelectInput(display_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent event;
        do XWindowEvent(display_, window_, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        focus();
    }
    ~X11TestWindow() {
        if (!display_) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    void focus() {
        XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }
    // Reads what arrived so far.
    void poll() {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == KeyPress || event.type == KeyRelease)
                received.append({int(event.xkey.keycode), event.type == KeyPress});
        }
    }
    bool pressed(int xKeyCode) {
        poll();
        for (const Key& key : received)
            if (key.xKeyCode == xKeyCode && key.down) return true;
        return false;
    }
    void clear() {
        poll();
        received.clear();
    }

    QList<Key> received;

private:
    Display* display_;
    Window window_ = 0;
};
