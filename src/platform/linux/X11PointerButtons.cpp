#include "platform/linux/X11PointerButtons.h"

#include "platform/Screens.h"
#include "platform/linux/X11Connection.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace {
constexpr int kLeftButton = 1;
}

X11PointerButtons::X11PointerButtons(const char* displayName, double doubleClickInterval)
    : displayName_(displayName ? QByteArray(displayName) : QByteArray()),
      context_(std::make_unique<QObject>()),
      clicks_(doubleClickInterval > 0 ? doubleClickInterval : ClickCounter::kDefaultInterval) {}

X11PointerButtons::~X11PointerButtons() { disconnect(); }

bool X11PointerButtons::connect() {
    display_ = X11Connection::openForXInput2(displayName_.isEmpty() ? nullptr : displayName_.constData(), &xiOpcode_);
    if (!display_) return false;
    XSetIOErrorExitHandler(
        display_, [](Display*, void* self) { static_cast<X11PointerButtons*>(self)->lostConnection(); }, this);
    broken_ = false;
    root_ = DefaultRootWindow(display_);
    loadButtonMap();
    held_ = false;
    dragged_ = false;
    haveServerTime_ = false;
    clicks_.reset();
    selectEvents(false);

    notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, context_.get(), [this] { readEvents(); });
    XSync(display_, False);
    // The round trip may have read events into Xlib's queue without waking the notifier.
    QMetaObject::invokeMethod(context_.get(), [this] { readEvents(); }, Qt::QueuedConnection);
    return true;
}

void X11PointerButtons::disconnect() {
    // The watch may end from inside a handler that the notifier's signal is running.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    // A connection that broke is left alone: Xlib must not touch its socket again.
    if (display_ && !broken_) XCloseDisplay(display_);
    display_ = nullptr;
    held_ = false;
    dragged_ = false;
}

void X11PointerButtons::lostConnection() {
    broken_ = true;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            if (notifier_) notifier_->setEnabled(false);
            held_ = false;
            if (running_ && disabledHandler_) {
                auto handler = disabledHandler_;
                handler();
            }
        },
        Qt::QueuedConnection);
}

bool X11PointerButtons::start(Handler handler) {
    if (!display_ && !connect()) return false;
    handler_ = std::move(handler);
    running_ = true;
    return true;
}

void X11PointerButtons::stop() {
    running_ = false;
    handler_ = nullptr;
    disconnect();
}

bool X11PointerButtons::isEnabled() const { return running_ && display_ && !broken_; }

void X11PointerButtons::enable() {
    if (!running_ || (display_ && !broken_)) return;
    disconnect();
    connect();
}

void X11PointerButtons::selectEvents(bool withMotion) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    if (withMotion) XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(display_, root_, &mask, 1);
    // Core mapping changes (a left-handed button map) come to every client without asking.
    XFlush(display_);
}

void X11PointerButtons::loadButtonMap() {
    unsigned char map[256] = {};
    const int count = XGetPointerMapping(display_, map, int(sizeof map));
    buttonMap_.assign(map, map + (count > 0 ? count : 0));
}

int X11PointerButtons::logicalButton(int physical) const {
    // Raw events carry the button before the user's button map is applied.
    if (physical >= 1 && size_t(physical) <= buttonMap_.size()) return buttonMap_[size_t(physical) - 1];
    return physical;
}

double X11PointerButtons::serverSeconds(unsigned long serverTime) {
    const auto now = static_cast<quint32>(serverTime);
    if (haveServerTime_) serverSeconds_ += double(quint32(now - static_cast<quint32>(lastServerTime_))) / 1000.0;
    haveServerTime_ = true;
    lastServerTime_ = now;
    return serverSeconds_;
}

QPointF X11PointerButtons::pointerLocation() const {
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask))
        return Screens::pointFromDesktop(QPointF());
    return Screens::pointFromDesktop(QPointF(rootX, rootY));
}

void X11PointerButtons::readEvents() {
    // Motion is reported once per batch: the handler wants to know that the pointer moved, and
    // where it is now, not every step of the way. Asking where the pointer is reads whatever else
    // the server sent meanwhile into Xlib's queue, where the socket notifier never sees it, so
    // the loop ends only once that queue is empty.
    bool moved = false;
    auto reportMotion = [this, &moved] {
        moved = false;
        if (!held_) return;
        dragged_ = true;
        deliver({PointerButtonEvent::Type::Drag, pointerLocation(), 0});
    };
    while (display_ && !broken_) {
        if (XPending(display_) == 0) {
            if (!moved) return;
            reportMotion();
            continue;
        }
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_ &&
            event.xcookie.evtype == XI_RawMotion) {
            moved = moved || held_;
            continue;
        }
        if (moved) reportMotion();
        handleEvent(event);
    }
}

void X11PointerButtons::handleEvent(XEvent& event) {
    if (!display_ || broken_) return;  // a handler ended the watch
    if (event.type == MappingNotify) {
        if (event.xmapping.request == MappingPointer) loadButtonMap();
        return;
    }
    if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_) return;
    if (!XGetEventData(display_, &event.xcookie)) return;
    const int type = event.xcookie.evtype;
    const auto* raw = static_cast<XIRawEvent*>(event.xcookie.data);
    const int button = logicalButton(raw->detail);
    const unsigned long time = raw->time;
    XFreeEventData(display_, &event.xcookie);
    if (button != kLeftButton) return;

    if (type == XI_RawButtonPress) {
        if (held_) return;  // a second device pressing while one holds: one gesture
        const QPointF at = pointerLocation();
        const int count = clicks_.press(serverSeconds(time), at);
        held_ = true;
        dragged_ = false;
        heldCount_ = count;
        pressedAt_ = at;
        selectEvents(true);
        deliver({PointerButtonEvent::Type::Press, at, count});
    } else if (type == XI_RawButtonRelease) {
        if (!held_) return;  // pressed before the watch began
        held_ = false;
        selectEvents(false);
        const QPointF at = pointerLocation();
        // Movement between the press and the moment raw motion was being reported still counts.
        if (!dragged_ && at != pressedAt_) deliver({PointerButtonEvent::Type::Drag, at, 0});
        dragged_ = false;
        deliver({PointerButtonEvent::Type::Release, at, heldCount_});
    }
}

void X11PointerButtons::deliver(const PointerButtonEvent& event) {
    if (!running_ || !handler_) return;
    Handler handler = handler_;  // the handler may stop the watch
    handler(event);
}
