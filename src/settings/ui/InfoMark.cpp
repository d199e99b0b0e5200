#include "settings/ui/InfoMark.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/PressReportingStyle.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

constexpr int kArrow = 8;     // height of the popover's arrow
constexpr int kPadding = 12;  // around the text

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
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bubble = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5 - kArrow);
        QPainterPath path;
        path.addRoundedRect(bubble, 8, 8);
        const double mid = width() / 2.0;
        QPainterPath arrow;
        arrow.moveTo(mid - kArrow, bubble.bottom() - 1);
        arrow.lineTo(mid, bubble.bottom() + kArrow);
        arrow.lineTo(mid + kArrow, bubble.bottom() - 1);
        arrow.closeSubpath();
        path = path.united(arrow);
        painter.fillPath(path, Palette::background());
        painter.setPen(QPen(Palette::separator(), 1));
        painter.drawPath(path);
    }
};

}  // namespace

InfoMark::InfoMark(const QString& text, QWidget* parent) : QAbstractButton(parent), text_(text) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(22, 22);
    setToolTip(text);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new SymbolLabel(QStringLiteral("info.circle"), 14,
                                      [] { return Palette::withOpacity(Palette::secondaryText(), 0.8); },
                                      QSize(22, 22), this));
    new PressReportingStyle(this, [this](bool pressed) { setShown(pressed); });
}

InfoMark::~InfoMark() {
    if (popover_) delete popover_.data();
}

void InfoMark::paintEvent(QPaintEvent*) {}

void InfoMark::setShown(bool shown) {
    if (shown_ == shown) return;
    shown_ = shown;
    if (!shown) {
        if (popover_) popover_->close();
        return;
    }
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
