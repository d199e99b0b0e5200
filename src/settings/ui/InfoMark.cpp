#include "settings/ui/InfoMark.h"

#include "core/ui/WindowShape.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

constexpr int kArrow = 8;     // height of the popover's arrow
constexpr int kPadding = 12;  // around the text

// The popover's outline in a rectangle of its size: the bubble and the arrow under it.
QPainterPath bubbleOutline(const QRectF& bounds) {
    const QRectF bubble = bounds.adjusted(0, 0, 0, -kArrow);
    QPainterPath path;
    path.addRoundedRect(bubble, 8, 8);
    const double mid = bounds.center().x();
    QPainterPath arrow;
    arrow.moveTo(mid - kArrow, bubble.bottom() - 1);
    arrow.lineTo(mid, bubble.bottom() + kArrow);
    arrow.lineTo(mid + kArrow, bubble.bottom() - 1);
    arrow.closeSubpath();
    return path.united(arrow);
}

// The popover: a rounded bubble with an arrow on its bottom edge pointing at the mark.
class Popover : public QWidget {
public:
    Popover(const QString& text, QWidget* owner) : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding + kArrow);
        auto* label = new PaletteLabel(text, SettingsFont::make(12.5), [] { return Palette::text(); }, this);
        label->setWrapping(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // At most 300 wide, as tall as the wrapped text needs.
        const int natural = label->fontMetrics().horizontalAdvance(text) + 2;
        const int width = qMin(natural, InfoMark::kPopoverTextWidth);
        label->setFixedWidth(width);
        label->setFixedHeight(label->heightForWidth(width));
        layout->addWidget(label);
        adjustSize();
        WindowShape::keep(this, [](const QSize& size) { return bubbleOutline(QRectF(QPointF(0, 0), QSizeF(size))); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath path = bubbleOutline(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.fillPath(path, Palette::background());
        painter.setPen(QPen(Palette::separator(), 1));
        painter.drawPath(path);
    }
};

}  // namespace

InfoMark::InfoMark(const QString& text, QWidget* parent) : QAbstractButton(parent), text_(text) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(22, 22);
    // Rich text: the hover text wraps instead of running across the screen on one line.
    setToolTip(QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new SymbolLabel(QStringLiteral("info.circle"), 14,
                                      [] { return Palette::withOpacity(Palette::secondaryText(), 0.8); },
                                      QSize(22, 22), this));
    connect(this, &QAbstractButton::clicked, this, [this] { setShown(!shown_); });
}

InfoMark::~InfoMark() {
    qApp->removeEventFilter(this);
    if (popover_) delete popover_.data();
}

bool InfoMark::event(QEvent* event) {
    // The popover already says it.
    if (event->type() == QEvent::ToolTip && shown_) return true;
    if (event->type() == QEvent::Hide) setShown(false);
    return QAbstractButton::event(event);
}

bool InfoMark::eventFilter(QObject* watched, QEvent* event) {
    // A press anywhere but on the mark or the popover puts the popover away.
    if (shown_ && event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const bool ours = widget == this || isAncestorOf(widget) ||
                          (popover_ && (widget == popover_ || popover_->isAncestorOf(widget)));
        if (!ours) setShown(false);
    }
    return QAbstractButton::eventFilter(watched, event);
}

void InfoMark::paintEvent(QPaintEvent*) {}

void InfoMark::setShown(bool shown) {
    if (shown_ == shown) return;
    shown_ = shown;
    if (!shown) {
        qApp->removeEventFilter(this);
        if (popover_) popover_->close();
        return;
    }
    qApp->installEventFilter(this);
    auto* popover = new Popover(text_, this);
    popover_ = popover;
    const QPoint anchor = mapToGlobal(QPoint(width() / 2, 0));
    QPoint topLeft(anchor.x() - popover->width() / 2, anchor.y() - popover->height());
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(qBound(area.left(), topLeft.x(), qMax(area.left(), area.right() - popover->width())));
        topLeft.setY(qMax(area.top(), topLeft.y()));
    }
    popover->move(topLeft);
    popover->show();
}
