#include "dictation/ui/RecordingHUDPanel.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/ui/WindowShape.h"
#include "platform/Clock.h"
#include "platform/Screens.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kTick = 1.0 / 60;

QColor rgb(const HUDContent::Rgb& c, double alpha = 1.0) { return QColor(c.r, c.g, c.b, qRound(alpha * 255)); }

const QColor kPulseColor = QColor::fromRgbF(1.0f, 0.33f, 0.36f);

void drawChip(QPainter& p, const HUDContent::Chip& chip, double dx, const QFont& font) {
    const QRectF r = chip.frame.translated(dx, 0).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill, border;
    if (chip.isOn) {
        fill = border = rgb(chip.color);
    } else {
        const HUDContent::OffLook look = HUDContent::offLook(chip.color, chip.tintsWhenOff);
        const HUDContent::Rgb base = look.white ? HUDContent::Rgb{255, 255, 255} : chip.color;
        fill = rgb(base, look.fillAlpha);
        border = rgb(base, look.borderAlpha);
    }
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, 12, 12);
    p.setFont(font);
    p.setPen(rgb(chip.isOn ? HUDContent::kLabelOn : HUDContent::kLabelOff));
    p.drawText(chip.frame.translated(dx, 0), Qt::AlignCenter, chip.label);
}

void drawArrow(QPainter& p, RecordingHUD::Arrow arrow, const QRectF& r, double alpha) {
    QPolygonF triangle;
    const double l = r.left() + 1, t = r.top() + 1, rr = r.right() - 1, b = r.bottom() - 1, cx = r.center().x(),
                 cy = r.center().y();
    switch (arrow) {
    case RecordingHUD::Arrow::Up: triangle << QPointF(cx, t) << QPointF(rr, b) << QPointF(l, b); break;
    case RecordingHUD::Arrow::Down: triangle << QPointF(l, t) << QPointF(rr, t) << QPointF(cx, b); break;
    case RecordingHUD::Arrow::Left: triangle << QPointF(l, cy) << QPointF(rr, t) << QPointF(rr, b); break;
    case RecordingHUD::Arrow::Right: triangle << QPointF(l, t) << QPointF(rr, cy) << QPointF(l, b); break;
    case RecordingHUD::Arrow::None: return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(rgb(HUDContent::kArrowTint, alpha));
    p.drawPolygon(triangle);
}

// A microphone glyph in a 16 × 16 box around `c`.
void drawMicrophone(QPainter& p, QPointF c) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(c.x() - 3, c.y() - 7.5, 6, 10), 3, 3);
    QPen pen(Qt::white, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 5.5, c.y() - 6, 11, 10.5), 180 * 16, 180 * 16);
    p.drawLine(QPointF(c.x(), c.y() + 4.5), QPointF(c.x(), c.y() + 7));
    p.drawLine(QPointF(c.x() - 3, c.y() + 7.2), QPointF(c.x() + 3, c.y() + 7.2));
}

}  // namespace

// The panel's window: draws the owner's content and hands clicks to it.
class HUDWindow final : public QWidget {
public:
    explicit HUDWindow(RecordingHUDPanel& owner) : owner_(owner) {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                       Qt::X11BypassWindowManagerHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QStringLiteral("Quendle HUD"));
        WindowShape::keep(this, WindowShape::rounded(12));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const HUDContent::Layout& c = owner_.content_;
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        // The dark glass and its tint, with a faint rim.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 24, 28, 200));
        p.drawRoundedRect(bounds, 12, 12);
        p.setBrush(QColor(14, 22, 38, qRound(0.62 * 255)));
        p.drawRoundedRect(bounds, 12, 12);
        p.setPen(QPen(QColor(255, 255, 255, qRound(0.1 * 255)), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(bounds, 12, 12);

        const QColor line(255, 255, 255, qRound(0.14 * 255));
        p.fillRect(c.divider, line);
        p.fillRect(c.micSeparator, line);

        for (const HUDContent::Chip& chip : c.chips)
            if (chip.kind == HUDContent::ChipKind::Quality) drawChip(p, chip, 0, owner_.chipFont_);
        paintCarousel(p, c);
        for (const auto& [arrow, r] : c.arrows) drawArrow(p, arrow, r, owner_.arrowAlpha(arrow));
        paintPulse(p, c.pulse);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) owner_.clickAt(event->position());
        event->accept();
    }

private:
    // The three cleanup chips, slid by the owner's offset, fading towards the viewport's edges.
    void paintCarousel(QPainter& p, const HUDContent::Layout& c) {
        const QRectF viewport = c.cleanupViewport;
        if (viewport.isEmpty()) return;
        const qreal ratio = devicePixelRatioF();
        QImage layer((viewport.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(ratio);
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            lp.setRenderHint(QPainter::Antialiasing);
            lp.translate(-viewport.topLeft());
            for (const HUDContent::Chip& chip : c.chips)
                if (chip.kind == HUDContent::ChipKind::Cleanup) drawChip(lp, chip, owner_.slide_, owner_.chipFont_);
            lp.resetTransform();
            lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            QLinearGradient mask(0, 0, viewport.width(), 0);
            mask.setColorAt(0, QColor(0, 0, 0, qRound(0.3 * 255)));
            mask.setColorAt(0.32, Qt::black);
            mask.setColorAt(0.68, Qt::black);
            mask.setColorAt(1, QColor(0, 0, 0, qRound(0.3 * 255)));
            lp.fillRect(QRectF(QPointF(0, 0), viewport.size()), mask);
        }
        p.drawImage(viewport.topLeft(), layer);
    }

    void paintPulse(QPainter& p, const QRectF& r) {
        const double shown = std::clamp(static_cast<double>(owner_.pulse_), 0.0, 1.0);
        const QPointF c = r.center();
        const double radius = shown * (std::min(r.width(), r.height()) * 0.5 - 11) + 11;
        p.setPen(Qt::NoPen);
        QColor outer = kPulseColor;
        outer.setAlphaF(static_cast<float>(shown * 0.4 + 0.16));
        p.setBrush(outer);
        p.drawEllipse(c, radius, radius);
        QColor inner = kPulseColor;
        inner.setAlphaF(static_cast<float>(shown * 0.28 + 0.72));
        p.setBrush(inner);
        p.drawEllipse(c, 11.0, 11.0);
        drawMicrophone(p, c);
    }

    RecordingHUDPanel& owner_;
};

RecordingHUDPanel::RecordingHUDPanel(HUDPlacement::Services services)
    : placement_(services), alive_(std::make_shared<RecordingHUDPanel*>(this)), screens_(&services.screens) {
    chipFont_ = QFont(QStringLiteral("Noto Sans CJK JP"));
    chipFont_.setPixelSize(12);
    chipFont_.setWeight(QFont::Medium);
}

RecordingHUDPanel::~RecordingHUDPanel() {
    *alive_ = nullptr;
    MainQueue::cancel(pendingShow_);
    MainQueue::cancel(ticker_);
}

QWidget* RecordingHUDPanel::window() const { return window_.get(); }
bool RecordingHUDPanel::exists() const { return window_ != nullptr; }
bool RecordingHUDPanel::hasMicPulse() const { return built_; }

void RecordingHUDPanel::setMicPulse(float value) {
    pulse_ = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
    if (window_ && window_->isVisible()) window_->update(content_.pulse.toAlignedRect());
}

double RecordingHUDPanel::arrowAlpha(Arrow arrow) const {
    const auto it = arrowAlpha_.find(arrow);
    return it == arrowAlpha_.end() ? HUDContent::kArrowRestAlpha : it->second;
}

// ---------------------------------------------------------------------------------------------
// Show, hide, rebuild

void RecordingHUDPanel::show() {
    if (AppPrefs::recordingHUDPlacement() == QLatin1String("off")) return;
    wanted_ = true;
    if (window_ && window_->isVisible()) {
        rebuild();
        return;
    }
    MainQueue::cancel(pendingShow_);
    placement_.prefetchCaret();  // the caret is read while the panel waits
    std::weak_ptr<RecordingHUDPanel*> weak = alive_;
    pendingShow_ = MainQueue::after(kShowDelay, [weak] {
        if (auto alive = weak.lock(); alive && *alive) {
            (**alive).pendingShow_ = 0;
            (**alive).rebuild();
        }
    });
}

void RecordingHUDPanel::hide() {
    wanted_ = false;
    MainQueue::cancel(pendingShow_);
    lastAnchor_.reset();
    placement_.reset();
    if (!window_ || !window_->isVisible()) return;
    stopAnimation(fade_);
    const double from = window_->windowOpacity();
    fade_ = animate(
        kFadeOut, [this, from](double t) { window_->setWindowOpacity(from * (1 - t)); },
        [this] {
            fade_ = 0;
            window_->hide();
        });
}

void RecordingHUDPanel::update() { rebuild(); }

void RecordingHUDPanel::ensureWindow() {
    if (!window_) window_ = std::make_unique<HUDWindow>(*this);
}

void RecordingHUDPanel::rebuild() {
    // Placement off shows nothing: not for a show that was waiting, nor for an arrow key, a flick
    // or a chip click during the recording. A panel still on screen goes.
    if (AppPrefs::recordingHUDPlacement() == QLatin1String("off")) {
        MainQueue::cancel(pendingShow_);
        lastAnchor_.reset();
        if (window_) {
            stopAnimation(fade_);
            window_->hide();
        }
        return;
    }
    // A show still waiting out its delay brings the panel up itself, with whatever changed
    // meanwhile (an arrow's flash too): an arrow key or a flick during a tap flashes nothing.
    if (pendingShow_ && !(window_ && window_->isVisible())) return;
    isSessionMode_ = AppPrefs::modeSelectStyle() == QLatin1String("session");
    ensureWindow();
    const bool wasShown = window_->isVisible() && window_->windowOpacity() > 0;
    const std::optional<int> oldIndex = cleanupIndex_;

    const QFontMetricsF metrics(chipFont_);
    content_ = HUDContent::layout([&metrics](const QString& text) { return metrics.horizontalAdvance(text); }, hooks);
    cleanupIndex_ = content_.cleanupIndex;
    built_ = true;
    pulse_ = 0;
    window_->resize(qCeil(content_.size.width()), qCeil(content_.size.height()));

    // Arrows rest at 0.45; the one an arrow key used flashes once.
    for (auto& [arrow, id] : flashes_) stopAnimation(id);
    flashes_.clear();
    arrowAlpha_.clear();
    const Arrow flash = pendingFlash;
    pendingFlash = Arrow::None;
    if (flash != Arrow::None && content_.arrows.count(flash)) {
        arrowAlpha_[flash] = 1.0;
        flashes_[flash] = animate(kFlash, [this, flash](double t) {
            arrowAlpha_[flash] = 1.0 + (HUDContent::kArrowRestAlpha - 1.0) * t;
        });
    }

    stopAnimation(slideAnimation_);
    slide_ = 0;
    if (wasShown) {
        // One step of the carousel slides the chips in from the neighbouring slot.
        if (const int steps = HUDContent::slideSteps(oldIndex, cleanupIndex_)) {
            const double from = steps * content_.cleanupStride;
            slide_ = from;
            slideAnimation_ = animate(kSlide, [this, from](double t) {
                const double eased = 1 - (1 - t) * (1 - t);  // ease out
                slide_ = from * (1 - eased);
            });
        }
        if (lastAnchor_) {
            const QSizeF size = content_.size;
            moveToGlobal(QRectF(lastAnchor_->x() - size.width() * 0.5, lastAnchor_->y() - size.height(), size.width(),
                                size.height()));
            stopAnimation(fade_);
            window_->setWindowOpacity(1.0);
            window_->show();
            window_->raise();
            window_->QWidget::update();
            return;
        }
    }
    // After a hide only the next show brings the panel up: a chip clicked while it fades, or an
    // arrow key that came just before the stop, redraws what is still on screen and leaves the
    // fade (or the hidden panel) alone.
    if (!wanted_) {
        if (window_->isVisible()) window_->QWidget::update();
        return;
    }
    std::weak_ptr<RecordingHUDPanel*> weak = alive_;
    placement_.place(content_.size, [weak](HUDPlacement::Result result) {
        if (auto alive = weak.lock(); alive && *alive) (**alive).placed(result);
    });
}

void RecordingHUDPanel::placed(const HUDPlacement::Result& result) {
    if (!result.shown) {
        AppLog::write(QStringLiteral("HUD位置: どこに置いても入力位置に被るので出さない"));
        stopAnimation(fade_);
        window_->hide();
        return;
    }
    if (result.frame) moveToGlobal(*result.frame);
    const QRectF frame = globalFrame();
    lastAnchor_ = QPointF(frame.center().x(), frame.y() + frame.height());
    stopAnimation(fade_);  // a fade-out still running must not take the panel away again
    window_->setWindowOpacity(0.0);
    window_->show();
    window_->raise();
    fade_ = animate(
        kFadeIn, [this](double t) { window_->setWindowOpacity(t); }, [this] { fade_ = 0; });
}

// ---------------------------------------------------------------------------------------------
// Geometry

double RecordingHUDPanel::primaryHeight() const {
    const QList<Screens::Screen> all = screens_->all();
    return all.isEmpty() ? 0.0 : all.first().frame.height();
}

void RecordingHUDPanel::moveToGlobal(const QRectF& frame) {
    const double top = primaryHeight() - frame.y() - frame.height();
    window_->move(qRound(frame.x()), qRound(top));
}

QRectF RecordingHUDPanel::globalFrame() const {
    const QRect g = window_->geometry();
    return QRectF(g.x(), primaryHeight() - g.y() - g.height(), g.width(), g.height());
}

// ---------------------------------------------------------------------------------------------
// Clicks

bool RecordingHUDPanel::clickAt(QPointF point) {
    for (const HUDContent::Chip& chip : content_.chips) {
        QRectF frame = chip.frame;
        if (chip.kind == HUDContent::ChipKind::Cleanup) {
            frame.translate(slide_, 0);
            frame = frame.intersected(content_.cleanupViewport);
        }
        if (!frame.contains(point)) continue;
        HUDContent::applyClick(chip.kind, chip.value, hooks);
        if (exists()) rebuild();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Animations on the main queue's clock

quint64 RecordingHUDPanel::animate(double duration, std::function<void(double)> step, std::function<void()> done) {
    const quint64 id = nextAnimation_++;
    animations_.push_back({id, Clock::monotonicNow(), duration, std::move(step), std::move(done)});
    if (!ticker_) {
        std::weak_ptr<RecordingHUDPanel*> weak = alive_;
        ticker_ = MainQueue::every(kTick, [weak] {
            if (auto alive = weak.lock(); alive && *alive) (**alive).tick();
        });
    }
    return id;
}

void RecordingHUDPanel::stopAnimation(quint64& id) {
    if (!id) return;
    const quint64 target = id;
    animations_.erase(std::remove_if(animations_.begin(), animations_.end(),
                                     [target](const Animation& a) { return a.id == target; }),
                      animations_.end());
    id = 0;
}

void RecordingHUDPanel::tick() {
    const double now = Clock::monotonicNow();
    std::vector<quint64> ids;
    for (const Animation& a : animations_) ids.push_back(a.id);
    for (quint64 id : ids) {
        auto it = std::find_if(animations_.begin(), animations_.end(), [id](const Animation& a) { return a.id == id; });
        if (it == animations_.end()) continue;  // stopped by an earlier step
        const double t = it->duration > 0 ? std::min(1.0, (now - it->start) / it->duration) : 1.0;
        it->step(t);
        if (t < 1.0) continue;
        std::function<void()> done = std::move(it->done);
        animations_.erase(it);
        if (done) done();
    }
    if (animations_.empty()) MainQueue::cancel(ticker_);
    if (window_ && window_->isVisible()) window_->QWidget::update();
}
