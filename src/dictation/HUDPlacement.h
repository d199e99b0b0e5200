#pragma once

#include "platform/Accessibility.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class Pointer;
class Screens;
class SerialQueue;

// Where the recording panel goes: under the tray icon ("top") or beside the caret of the field the
// user dictates into ("cursor"), as `recordingHUDPlacement` says. Every rectangle here is in the
// global space (origin at the bottom-left of the primary screen, y up).
//
// The caret is read over the accessibility bus, which is a round trip to another application: it
// is read on a worker of its own ("hud-caret"), never on the main queue, each request bounded by
// kRequestTimeout. A placement that needs the caret waits for the answer at most kCaretWait and
// then falls back to the mouse pointer, so a hung application delays the panel by a fraction of
// a second and never freezes the application. The panel stays on the screen of the caret (or of
// the pointer standing in for it; for "top", of the tray icon).
class HUDPlacement {
public:
    static constexpr double kRequestTimeout = 0.25;  // per accessibility request
    static constexpr double kCaretWait = 0.3;        // how long a placement waits for the caret
    static constexpr double kMaxCaretHeight = 200;

    // The caret anchor: the caret's rectangle (or a stand-in for it) and whether there is text
    // above it in its field.
    struct CaretAnchor {
        QRectF rect;
        bool textAbove = false;
    };

    struct Services {
        Accessibility& accessibility;
        Workspace& workspace;
        Pointer& pointer;
        Screens& screens;
        // The tray icon's rectangle when the tray tells it (StatusItem::geometry); may be empty.
        std::function<std::optional<QRectF>()> iconGeometry;
    };

    // Where a panel goes. `frame` is absent when there is no screen (leave the panel where it is);
    // `shown` is false when the only place left would cover the caret.
    struct Result {
        bool shown = true;
        std::optional<QRectF> frame;
    };

    // One decided place before clamping: its name for the log, the target (x of the left edge,
    // y of the top edge) and whether the panel must not be shown at all.
    struct Choice {
        QString name;
        QPointF target;
        bool refused = false;
    };

    explicit HUDPlacement(Services services);
    ~HUDPlacement();  // waits for a running caret read
    HUDPlacement(const HUDPlacement&) = delete;
    HUDPlacement& operator=(const HUDPlacement&) = delete;

    // Starts reading the caret in the background when the placement is "cursor", so that the
    // answer is there by the time the panel is placed. Main queue.
    void prefetchCaret();
    // Forgets the caret read for this recording and any placement still waiting for it.
    void reset();
    // Places a panel of `size`. `done` runs on the main queue: at once when nothing has to be
    // waited for, else when the caret's answer arrives or kCaretWait has passed. A later place()
    // or reset() drops a waiting one, whose `done` then never runs.
    void place(QSizeF size, std::function<void(Result)> done);

    // ---- the steps, for tests and for the correction bar

    // Ranges whose bounds stand for the caret, in the order they are tried.
    static QList<TextRange> caretCandidates(TextRange selection);
    // Reads the caret anchor of the focused field of the application of `pid`, or, when there is
    // none (`pid` 0) or its focus cannot be read, of the element that last took the focus anywhere
    // on the desktop (blocking; every request waits at most `timeout`). Absent when no method gave
    // a rectangle: the caller uses the mouse pointer. `primaryHeight` turns the desktop's y-down
    // rectangles into the global space.
    static std::optional<CaretAnchor> readCaret(Accessibility& accessibility, qint32 pid, const QString& appName,
                                                double primaryHeight, double timeout);
    // Top-left corner (x of the left edge, y of the top edge) of a panel of width `panelWidth`
    // hanging centred 6 points under the icon.
    static std::optional<QPointF> statusItemAnchor(const std::optional<QRectF>& icon, double panelWidth);
    // The side of the caret with room for the panel.
    static Choice chooseCursorPlace(const CaretAnchor& caret, QSizeF size, const QRectF& visible,
                                    const std::optional<QPointF>& iconAnchor);
    // The panel's frame for a target, pulled 8 points inside every edge of `visible` (the upper
    // bounds win when the screen is too small).
    static QRectF clampedFrame(QPointF target, QSizeF size, const QRectF& visible);
    // "HUD位置: 配置=下 上に文字=false 矩形=100,200 2x18"
    static QString placementLogLine(const QString& name, const CaretAnchor& caret);
    // Name of a role for the log.
    static QString roleName(const std::optional<AccessibleRole>& role);

private:
    void startLookup();
    void lookupFinished(quint64 token, std::optional<CaretAnchor> anchor);
    void serveWaiter();
    void finish(QSizeF size, const std::function<void(Result)>& done, const std::optional<CaretAnchor>& caret);
    // The visible frame of the screen that holds `near`.
    std::optional<QRectF> visibleFrame(QPointF near) const;
    double primaryHeight() const;

    Services s_;
    std::unique_ptr<SerialQueue> queue_;
    std::shared_ptr<HUDPlacement*> alive_;

    quint64 token_ = 0;            // bumped by reset(): answers of older reads are dropped
    bool lookupRunning_ = false;
    bool lookupWanted_ = false;    // a read was asked for while an older one still ran
    // The answer for this recording: absent = not known yet; an empty anchor = use the pointer.
    std::optional<std::optional<CaretAnchor>> answer_;

    // A placement waiting for the caret.
    struct Waiter {
        QSizeF size;
        std::function<void(Result)> done;
    };
    std::optional<Waiter> waiter_;
    MainQueue::TimerId waitTimer_ = 0;
};
