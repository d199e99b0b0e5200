#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>
#include <optional>

// A range of an element's text in the offsets its application uses: UTF-16 units (what QString
// counts) for Qt programs, code points for GTK ones. Ranges read from an element are only ever
// given back to it; texts read are QStrings, cut to UTF-16 limits by whoever reads them.
struct TextRange {
    qint64 location = 0;
    qint64 length = 0;
    bool operator==(const TextRange&) const = default;
};

enum class AccessibleRole {
    Other,
    TextField,        // single-line entry
    TextArea,         // multi-line text
    SecureTextField,  // password entry: never read
    Terminal,
};

enum class AccessibleAttribute { Description, Title, RoleDescription };

// One element of another application's accessibility tree. Every read is a round trip to that
// application, bounded by the timeout given when the element was obtained; every failure (an
// error, no answer in time, no such value) reads as absent. Callable from any thread; blocking.
class AccessibleElement {
public:
    virtual ~AccessibleElement() = default;
    virtual std::optional<AccessibleRole> role() = 0;
    // Selection (or caret, with length 0).
    virtual std::optional<TextRange> selectedRange() = 0;
    // Length of the whole text, in the same offsets.
    virtual std::optional<qint64> characterCount() = 0;
    virtual std::optional<QString> stringForRange(TextRange range) = 0;
    // Screen rectangle of the range in the desktop's pixel coordinates (origin top left, y down).
    virtual std::optional<QRect> boundsForRange(TextRange range) = 0;
    // Class names of a web page's element, for elements in a browser that exposes them.
    virtual std::optional<QStringList> domClassList() = 0;
    virtual std::optional<QString> attribute(AccessibleAttribute which) = 0;
    // The element's own screen rectangle in desktop pixels (origin top left, y down); absent
    // when it has no extent.
    virtual std::optional<QRect> frame() { return std::nullopt; }
};

// The accessibility view of other applications. Callable from any thread; blocking (each request
// waits at most the given timeout for the application's answer). Never call it on the main queue.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    // True while typed text must not be observed: the focused element of the application whose
    // window has the input focus is a password field. A program that grabs the whole keyboard
    // (a password prompt that is not on the accessibility bus, say) is not seen: X tells no one
    // of a grab without taking the keyboard itself for a moment, which could swallow a keystroke.
    virtual bool isSecureInputOn() = 0;
    // The element with the keyboard focus in the application of process `pid`; null when the
    // application is not on the accessibility bus, does not answer in time or has no focus.
    virtual std::shared_ptr<AccessibleElement> focusedElement(qint32 pid, double timeoutSeconds) = 0;
    // The element that last took the keyboard focus anywhere on the desktop, in whichever
    // application, while that application still runs and the element still holds the focus; null
    // when none is known or it does not answer in time. What stands in for the frontmost
    // application's focused element when there is no frontmost application or its focus cannot be
    // read (a program whose windows and accessibility report different processes, say).
    virtual std::shared_ptr<AccessibleElement> desktopFocusedElement(double /*timeoutSeconds*/) { return nullptr; }
    // The focused element of the application of `pid` (0: none in front), else the desktop's.
    std::shared_ptr<AccessibleElement> focusedElementOrDesktops(qint32 pid, double timeoutSeconds) {
        std::shared_ptr<AccessibleElement> element = pid > 0 ? focusedElement(pid, timeoutSeconds) : nullptr;
        return element ? element : desktopFocusedElement(timeoutSeconds);
    }
    // The screen rectangle (desktop pixels, y down) of the active window of the application of
    // process `pid`; absent when it has none or does not answer in time.
    virtual std::optional<QRect> focusedWindowFrame(qint32 /*pid*/, double /*timeoutSeconds*/) { return std::nullopt; }
};
