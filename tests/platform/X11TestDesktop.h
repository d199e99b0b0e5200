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

// Finds a viewable window of another client by its title (searching the whole tree, so with or
// without a window manager's frames) and clicks inside it with XTest, as a person would.
class XTestPointer {
public:
    XTestPointer() : display_(XOpenDisplay(nullptr)) {}
    ~XTestPointer() {
        if (display_) XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }

    // A viewable window titled `title`; 0 when there is none.
    Window find(const QByteArray& title) { return find(DefaultRootWindow(display_), title); }

    // Presses and releases the left button at (x, y) of `window`.
    void click(Window window, int x, int y) {
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XFlush(display_);
    }

private:
    Window find(Window parent, const QByteArray& title) {
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, parent, &root, &up, &children, &count)) return 0;
        Window found = 0;
        const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(display_, children[i], &attributes) || attributes.map_state != IsViewable)
                continue;
            Atom type = 0;
            int format = 0;
            unsigned long items = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, children[i], netName, 0, 1024, False, utf8, &type, &format, &items,
                                   &after, &data) == Success && data) {
                if (QByteArray(reinterpret_cast<const char*>(data), int(items)) == title) found = children[i];
                XFree(data);
            }
            if (!found) found = find(children[i], title);
        }
        if (children) XFree(children);
        return found;
    }

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
