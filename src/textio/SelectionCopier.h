#pragma once

#include "platform/MainQueue.h"

#include <QPointF>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

class Accessibility;
class AccessibleElement;
class Pasteboard;
class Pointer;
class PointerButtons;
class SerialQueue;
class TextInserter;
class Workspace;
struct PointerButtonEvent;

// Copy-on-select: copies what the user selects with the mouse in any application. This base is
// the switch the rest of the application turns; without an implementation it does nothing.
class SelectionCopier {
public:
    virtual ~SelectionCopier() = default;
    virtual void start() {}
    virtual void stop() {}
};

// The working copier. It watches the left mouse button (listen only); after a drag, or a double
// or triple click, it reads the selection of the focused element of the frontmost application over
// the accessibility bus (on a worker of its own, never on the main queue) and puts it on the
// clipboard. Where the element's selection cannot be read, the desktop's PRIMARY selection stands
// in, but only when a program took it during this very gesture: an older one is not what the user
// just selected. Password fields and secure input are never read, our own windows are left
// alone, and nothing is copied while dictated text is being pasted. The setting
// `copyOnSelectMode` decides whether a notice shows: "notify" shows "コピーしました" at the pointer.
//
// Main queue only. Work in flight holds the copier weakly and is dropped once it is gone or
// stopped.
class PointerSelectionCopier final : public SelectionCopier {
public:
    static constexpr double kCopyDelay = 0.08;         // after the button comes up
    static constexpr double kTimeout = 0.15;           // per accessibility request
    static constexpr double kWatchdogInterval = 10.0;  // re-enables a watch that stopped
    static constexpr double kNoticeSeconds = 0.8;
    static constexpr int kLimit = 20000;               // characters (grapheme clusters)

    // `inserter` and `pointer` may be null (nothing is then held back during a paste; the notice
    // shows where the button came up).
    PointerSelectionCopier(PointerButtons& buttons, Accessibility& accessibility, Pasteboard& pasteboard,
                           Workspace& workspace, TextInserter* inserter, Pointer* pointer);
    ~PointerSelectionCopier() override;
    PointerSelectionCopier(const PointerSelectionCopier&) = delete;
    PointerSelectionCopier& operator=(const PointerSelectionCopier&) = delete;

    // True when the watch runs or was started; false (nothing changes) when the mouse cannot be
    // watched. start() is the same without the answer.
    bool begin();
    void start() override { begin(); }
    void stop() override;
    bool isRunning() const;

    // The copy attempt for the frontmost application, as the end of a gesture runs it.
    void copySelection();
    // Attempts whose reading has come back to the main queue (whatever became of them).
    int answeredAttempts() const { return answered_; }

    // What the accessibility bus says of the focused element. Blocking; not on the main queue.
    struct Reading {
        bool secure = false;      // secure input, or a password field
        bool hasElement = false;  // the application answered with a focused element
        std::optional<QString> text;
    };
    static Reading readFocused(Accessibility& accessibility, qint32 pid);
    // The selected text of the element, cut to kLimit characters; absent when there is none.
    static std::optional<QString> selectedText(AccessibleElement& element);
    // The first kLimit characters of `text`, never splitting one.
    static QString limited(const QString& text);

private:
    void handle(const PointerButtonEvent& event);
    void finish(quint64 gesture, quint64 selectionAtPress, const Reading& reading);
    void writeToPasteboard(const QString& text);
    void claimClipboard(const QString& text, quint64 gesture, int attempt);
    bool insertingNow() const;

    PointerButtons& buttons_;
    Accessibility& accessibility_;
    Pasteboard& pasteboard_;
    Workspace& workspace_;
    TextInserter* inserter_;
    Pointer* pointer_;
    std::shared_ptr<PointerSelectionCopier*> alive_;
    std::shared_ptr<SerialQueue> queue_;
    MainQueue::TimerId watchdog_ = 0;

    int answered_ = 0;
    bool didDrag_ = false;
    quint64 gesture_ = 0;             // grows with every press and with stop()
    quint64 selectionAtPress_ = 0;    // the PRIMARY change count when the button went down
    std::optional<QPointF> releasedAt_;
};
