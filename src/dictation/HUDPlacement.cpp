#include "dictation/HUDPlacement.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "platform/Pointer.h"
#include "platform/Screens.h"
#include "platform/SerialQueue.h"

#include <algorithm>

namespace {

// A desktop rectangle (y down) in the global space (y up), at least one point wide and high.
QRectF fromDesktop(const QRect& r, double primaryHeight) {
    return QRectF(r.x(), primaryHeight - r.y() - r.height(), std::max(r.width(), 1), std::max(r.height(), 1));
}

qint64 whole(double v) { return static_cast<qint64>(v); }

// Whether there is text above the anchor: the caret sits more than 1.2 lines below the top of the
// field (when the field is tall enough to hold several lines) or else of the window.
bool hasTextAbove(const QRectF& anchor, const std::optional<QRectF>& field, const std::function<std::optional<QRectF>()>& window) {
    const double line = std::max(12.0, anchor.height());
    std::optional<QRectF> container;
    if (field && field->height() > 2.5 * line)
        container = field;
    else
        container = window();
    if (!container) return false;
    // y up: the top edge is the larger y.
    return (container->y() + container->height()) - (anchor.y() + anchor.height()) > 1.2 * line;
}

}  // namespace

HUDPlacement::HUDPlacement(Services services)
    : s_(services),
      queue_(std::make_unique<SerialQueue>(QStringLiteral("hud-caret"))),
      alive_(std::make_shared<HUDPlacement*>(this)) {}

HUDPlacement::~HUDPlacement() {
    *alive_ = nullptr;
    MainQueue::cancel(waitTimer_);
    queue_.reset();
}

// ---------------------------------------------------------------------------------------------
// The steps

QList<TextRange> HUDPlacement::caretCandidates(TextRange selection) {
    if (selection.length > 0) return {selection};
    if (selection.location >= 1)
        return {TextRange{selection.location, 0}, TextRange{selection.location - 1, 1}, TextRange{selection.location, 1}};
    return {TextRange{selection.location, 0}, TextRange{selection.location, 1}};
}

QString HUDPlacement::roleName(const std::optional<AccessibleRole>& role) {
    if (!role) return QStringLiteral("?");
    switch (*role) {
    case AccessibleRole::TextField: return QStringLiteral("AXTextField");
    case AccessibleRole::TextArea: return QStringLiteral("AXTextArea");
    case AccessibleRole::SecureTextField: return QStringLiteral("AXSecureTextField");
    case AccessibleRole::Terminal: return QStringLiteral("AXTerminal");
    case AccessibleRole::Other: break;
    }
    return QStringLiteral("AXUnknown");
}

std::optional<HUDPlacement::CaretAnchor> HUDPlacement::readCaret(Accessibility& accessibility, qint32 pid,
                                                                const QString& appName, double primaryHeight,
                                                                double timeout) {
    const std::shared_ptr<AccessibleElement> element = accessibility.focusedElementOrDesktops(pid, timeout);
    if (!element) return std::nullopt;
    AppLog::write(QStringLiteral("HUD位置: フォーカス要素 role=") + roleName(element->role()) + QStringLiteral(" app=") +
                  (appName.isEmpty() ? QStringLiteral("?") : appName));

    // The field's frame and the window's are read at most once, and only when needed.
    std::optional<std::optional<QRectF>> field;
    auto fieldFrame = [&]() -> std::optional<QRectF> {
        if (!field) {
            const std::optional<QRect> r = element->frame();
            field = (r && r->width() > 0 && r->height() > 0) ? std::optional<QRectF>(fromDesktop(*r, primaryHeight))
                                                              : std::nullopt;
        }
        return *field;
    };
    auto windowFrame = [&]() -> std::optional<QRectF> {
        if (pid <= 0) return std::nullopt;
        const std::optional<QRect> r = accessibility.focusedWindowFrame(pid, timeout);
        if (!r || r->width() <= 0 || r->height() <= 0) return std::nullopt;
        return fromDesktop(*r, primaryHeight);
    };

    // Methods ① and ②: the bounds of the caret or the selection.
    if (const std::optional<TextRange> selection = element->selectedRange()) {
        const QList<TextRange> candidates = caretCandidates(*selection);
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            const std::optional<QRect> bounds = element->boundsForRange(candidates.at(i));
            if (!bounds || bounds->height() <= 0 || bounds->height() >= kMaxCaretHeight) continue;
            AppLog::write(QStringLiteral("HUD位置: キャレット矩形（方法") +
                          (i == 0 ? QStringLiteral("①") : QStringLiteral("②")) + QStringLiteral("）"));
            CaretAnchor anchor;
            anchor.rect = fromDesktop(*bounds, primaryHeight);
            anchor.textAbove = hasTextAbove(anchor.rect, fieldFrame(), windowFrame);
            return anchor;
        }
    }

    // Method ③: the top-left corner of the field itself.
    const std::optional<QRectF> f = fieldFrame();
    if (!f) return std::nullopt;
    AppLog::write(QStringLiteral("HUD位置: 入力欄の矩形（方法③） ") + QString::number(whole(f->width())) +
                  QLatin1Char('x') + QString::number(whole(f->height())));
    const double h = std::min(f->height(), 24.0);
    CaretAnchor anchor;
    anchor.rect = QRectF(f->x(), f->y() + f->height() - h, std::min(f->width(), 240.0), h);
    anchor.textAbove = f->height() > 40 ? false : hasTextAbove(anchor.rect, f, windowFrame);
    return anchor;
}

std::optional<QPointF> HUDPlacement::statusItemAnchor(const std::optional<QRectF>& icon, double panelWidth) {
    if (!icon || icon->isEmpty()) return std::nullopt;
    // y up: the icon's bottom edge is its smallest y.
    return QPointF(icon->center().x() - panelWidth / 2, icon->y() - 6);
}

HUDPlacement::Choice HUDPlacement::chooseCursorPlace(const CaretAnchor& caret, QSizeF size, const QRectF& visible,
                                                     const std::optional<QPointF>& iconAnchor) {
    const QRectF a = caret.rect;
    const double w = size.width(), h = size.height();
    const double aMinX = a.x(), aMaxX = a.x() + a.width(), aMinY = a.y(), aMaxY = a.y() + a.height();
    const double vMinX = visible.x(), vMaxX = visible.x() + visible.width();
    const double vMinY = visible.y(), vMaxY = visible.y() + visible.height();

    const double above = vMaxY - aMaxY;
    const double below = aMinY - vMinY;
    const double left = aMinX - vMinX;
    const double right = vMaxX - aMaxX;
    const double side = std::max(left, right);
    const double verticalNeed = h + 14;
    const double horizontalNeed = w + 12;

    enum class Place { Above, Below, Right, Left, Icon };
    Place place;
    if (!caret.textAbove && above >= verticalNeed)
        place = Place::Above;
    else if (below >= verticalNeed)
        place = Place::Below;
    else if (side >= horizontalNeed)
        place = right > left ? Place::Right : Place::Left;
    else
        place = Place::Icon;

    const double x0 = right >= horizontalNeed ? aMaxX + 8 : aMinX - 8 - w;
    Choice choice;
    switch (place) {
    case Place::Above:
        choice.name = QStringLiteral("上");
        choice.target = QPointF(x0, aMaxY + 10 + h);
        break;
    case Place::Below:
        choice.name = QStringLiteral("下");
        choice.target = QPointF(x0, aMinY - 10);
        break;
    case Place::Right:
        choice.name = QStringLiteral("右横");
        choice.target = QPointF(aMaxX + 12, a.center().y() + h / 2);
        break;
    case Place::Left:
        choice.name = QStringLiteral("左横");
        choice.target = QPointF(aMinX - 12 - w, a.center().y() + h / 2);
        break;
    case Place::Icon: {
        choice.name = QStringLiteral("アイコン下");
        choice.target = iconAnchor ? *iconAnchor : QPointF(x0, vMaxY - 8);
        const QRectF panel(choice.target.x(), choice.target.y() - h, w, h);
        choice.refused = panel.intersects(a.adjusted(-8, -8, 8, 8));
        break;
    }
    }
    return choice;
}

QRectF HUDPlacement::clampedFrame(QPointF target, QSizeF size, const QRectF& v) {
    const double w = size.width(), h = size.height();
    const double x = std::min(std::max(target.x(), v.x() + 8), v.x() + v.width() - w - 8);
    const double top = std::min(std::max(target.y(), v.y() + h + 8), v.y() + v.height() - 8);
    return QRectF(x, top - h, w, h);
}

QString HUDPlacement::placementLogLine(const QString& name, const CaretAnchor& caret) {
    const QRectF& r = caret.rect;
    return QStringLiteral("HUD位置: 配置=") + name + QStringLiteral(" 上に文字=") +
           (caret.textAbove ? QStringLiteral("true") : QStringLiteral("false")) + QStringLiteral(" 矩形=") +
           QString::number(whole(r.x())) + QLatin1Char(',') + QString::number(whole(r.y())) + QLatin1Char(' ') +
           QString::number(whole(r.width())) + QLatin1Char('x') + QString::number(whole(r.height()));
}

// ---------------------------------------------------------------------------------------------
// The caret read and the placement

double HUDPlacement::primaryHeight() const {
    const QList<Screens::Screen> all = s_.screens.all();
    return all.isEmpty() ? 0.0 : all.first().frame.height();
}

std::optional<QRectF> HUDPlacement::visibleFrame(QPointF near) const {
    const std::optional<Screens::Screen> screen = Screens::holding(s_.screens.all(), near);
    if (!screen) return std::nullopt;
    return screen->visibleFrame;
}

void HUDPlacement::prefetchCaret() {
    if (AppPrefs::recordingHUDPlacement() != QLatin1String("cursor")) return;
    if (!answer_) startLookup();
}

void HUDPlacement::reset() {
    ++token_;
    answer_.reset();
    waiter_.reset();
    MainQueue::cancel(waitTimer_);
}

void HUDPlacement::startLookup() {
    if (lookupRunning_) {
        lookupWanted_ = true;  // read again once the older read is done: its answer is stale
        return;
    }
    // Without an application in front the desktop's focus may still be known: read all the same.
    const std::optional<RunningApplication> front = s_.workspace.frontmostApplication();
    lookupRunning_ = true;
    lookupWanted_ = false;
    const quint64 token = token_;
    const double height = primaryHeight();
    Accessibility* accessibility = &s_.accessibility;
    std::weak_ptr<HUDPlacement*> weak = alive_;
    const qint32 pid = front ? front->pid : 0;
    const QString name = front ? front->name : QString();
    queue_->post([weak, token, accessibility, pid, name, height] {
        std::optional<CaretAnchor> anchor = readCaret(*accessibility, pid, name, height, kRequestTimeout);
        MainQueue::post([weak, token, anchor] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).lookupFinished(token, anchor);
        });
    });
}

void HUDPlacement::lookupFinished(quint64 token, std::optional<CaretAnchor> anchor) {
    lookupRunning_ = false;
    if (token != token_) {
        // An earlier recording's read: dropped. Someone may be waiting for a fresh one.
        if (lookupWanted_ || waiter_) startLookup();
        return;
    }
    answer_ = anchor;
    serveWaiter();
}

void HUDPlacement::serveWaiter() {
    if (!waiter_ || !answer_) return;
    MainQueue::cancel(waitTimer_);
    Waiter waiter = std::move(*waiter_);
    waiter_.reset();
    finish(waiter.size, waiter.done, *answer_);
}

void HUDPlacement::place(QSizeF size, std::function<void(Result)> done) {
    waiter_.reset();
    MainQueue::cancel(waitTimer_);
    if (s_.screens.all().isEmpty()) {
        done(Result{true, std::nullopt});
        return;
    }
    if (AppPrefs::recordingHUDPlacement() != QLatin1String("cursor")) {
        // Under the icon, on the icon's screen; without an icon, at the top of the screen the
        // pointer is on.
        const double w = size.width();
        const std::optional<QPointF> icon = statusItemAnchor(s_.iconGeometry ? s_.iconGeometry() : std::nullopt, w);
        const std::optional<QRectF> visible = visibleFrame(icon ? *icon : s_.pointer.location());
        if (!visible) return done(Result{true, std::nullopt});
        const QPointF target = icon ? *icon : QPointF(visible->center().x() - w / 2, visible->y() + visible->height() - 8);
        done(Result{true, clampedFrame(target, size, *visible)});
        return;
    }
    if (answer_) {
        finish(size, done, *answer_);
        return;
    }
    waiter_ = Waiter{size, std::move(done)};
    if (!lookupRunning_) startLookup();
    std::weak_ptr<HUDPlacement*> weak = alive_;
    waitTimer_ = MainQueue::after(kCaretWait, [weak] {
        auto alive = weak.lock();
        if (!alive || !*alive) return;
        HUDPlacement& self = **alive;
        self.waitTimer_ = 0;
        if (!self.waiter_) return;
        // The application did not answer in time: this recording goes by the pointer.
        self.answer_ = std::optional<CaretAnchor>();
        self.serveWaiter();
    });
}

void HUDPlacement::finish(QSizeF size, const std::function<void(Result)>& done, const std::optional<CaretAnchor>& caret) {
    CaretAnchor anchor;
    if (caret) {
        anchor = *caret;
    } else {
        AppLog::write(QStringLiteral("HUD位置: キャレットが取れずマウス位置（方法④）"));
        anchor.rect = QRectF(s_.pointer.location(), QSizeF(1, 1));
    }
    // The screen of the caret (or of the pointer standing in for it).
    const std::optional<QRectF> visible = visibleFrame(anchor.rect.center());
    if (!visible) {
        done(Result{true, std::nullopt});
        return;
    }
    const std::optional<QPointF> icon =
        statusItemAnchor(s_.iconGeometry ? s_.iconGeometry() : std::nullopt, size.width());
    const Choice choice = chooseCursorPlace(anchor, size, *visible, icon);
    if (choice.refused) {
        done(Result{false, std::nullopt});
        return;
    }
    AppLog::write(placementLogLine(choice.name, anchor));
    done(Result{true, clampedFrame(choice.target, size, *visible)});
}
