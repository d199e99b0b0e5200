#include "settings/screens/SegmentedPicker.h"

#include "settings/ui/Palette.h"
#include "settings/ui/SettingsFont.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSignalBlocker>

#include <algorithm>

namespace {

constexpr double kFadedOpacity = 0.45;
constexpr int kSegmentPadding = 12;
constexpr int kTextInset = 4;

// One segment: only its name; the picker draws the frame and the chosen segment's fill. A name
// wider than the segment wraps between its words (the picker grows taller), never cut.
class SegmentButton : public QAbstractButton {
public:
    SegmentButton(const QString& name, QWidget* parent) : QAbstractButton(parent) {
        setText(name);
        setCheckable(true);
        setFont(SettingsFont::make(13));
        setFocusPolicy(Qt::TabFocus);
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
        setAccessibleName(name);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 2 * kSegmentPadding, SegmentedPicker::kHeight};
    }
    QSize minimumSizeHint() const override {
        // The widest word of the name still fits.
        const QFontMetrics metrics(font());
        int widest = 0;
        for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            widest = std::max(widest, metrics.horizontalAdvance(word));
        return {widest + 2 * kTextInset + 2, SegmentedPicker::kHeight};
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        const QRect text = QFontMetrics(font()).boundingRect(QRect(0, 0, std::max(1, width - 2 * kTextInset), 100000),
                                                              Qt::TextWordWrap, this->text());
        return std::max(SegmentedPicker::kHeight, text.height() + 10);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor color = Palette::text();
        if (!isEnabled()) color = Palette::withOpacity(color, kFadedOpacity);
        painter.setPen(color);
        painter.setFont(font());
        painter.drawText(rect().adjusted(kTextInset, 0, -kTextInset, 0), Qt::AlignCenter | Qt::TextWordWrap, text());
        if (hasFocus()) {
            QPen pen(Palette::withOpacity(Palette::accent(), 0.6));
            pen.setWidthF(1.5);
            painter.setPen(pen);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), 5, 5);
        }
    }
};

}  // namespace

SegmentedPicker::SegmentedPicker(QList<Segment> segments, Binding<QString> selection, QWidget* parent)
    : QWidget(parent), segments_(std::move(segments)), selection_(std::move(selection)) {
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(2, 2, 2, 2);
    layout_->setSpacing(0);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    rebuild();
}

void SegmentedPicker::setSegments(const QList<Segment>& segments) {
    if (segments == segments_) return;
    segments_ = segments;
    rebuild();
}

void SegmentedPicker::rebuild() {
    // A segment's click may be what changed the segments: its button goes once the click is over.
    for (QAbstractButton* button : buttons_) {
        layout_->removeWidget(button);
        button->hide();
        button->deleteLater();
    }
    buttons_.clear();
    for (int i = 0; i < segments_.size(); ++i) {
        auto* button = new SegmentButton(segments_[i].name, this);
        connect(button, &QAbstractButton::clicked, this, [this, i] { choose(i); });
        // Every segment gets its own width and an equal share of the rest.
        layout_->addWidget(button);
        buttons_.append(button);
    }
    refresh();
}

void SegmentedPicker::refresh() {
    const QString value = selection_.value();
    selected_ = -1;
    for (int i = 0; i < segments_.size(); ++i)
        if (selected_ < 0 && segments_[i].value == value) selected_ = i;
    for (int i = 0; i < buttons_.size(); ++i) {
        const QSignalBlocker block(buttons_[i]);
        buttons_[i]->setChecked(i == selected_);
    }
    update();
}

void SegmentedPicker::choose(int index) {
    if (index < 0 || index >= segments_.size()) return;
    if (index == selected_) {
        // A click on the chosen segment changes nothing; undo the button's own toggle.
        refresh();
        return;
    }
    QPointer<SegmentedPicker> self(this);
    selection_.assign(segments_[index].value);
    // The setter may have rebuilt the page around this picker.
    if (self) refresh();
}

QString SegmentedPicker::selectedValue() const {
    return selected_ >= 0 && selected_ < segments_.size() ? segments_[selected_].value : QString();
}

QAbstractButton* SegmentedPicker::segmentButton(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double opacity = isEnabled() ? 1.0 : kFadedOpacity;
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Palette::withOpacity(Palette::separator(), opacity), 1.0));
    painter.setBrush(Palette::withOpacity(Palette::cardBackground(), opacity));
    painter.drawRoundedRect(frame, kRadius, kRadius);

    // Hairlines between two neighbours that are both unchosen.
    painter.setPen(QPen(Palette::withOpacity(Palette::separator(), opacity), 1.0));
    for (int i = 1; i < buttons_.size(); ++i) {
        if (i == selected_ || i - 1 == selected_) continue;
        const double x = buttons_[i]->geometry().left() + 0.5;
        painter.drawLine(QPointF(x, 7), QPointF(x, height() - 7));
    }

    if (selected_ >= 0 && selected_ < buttons_.size()) {
        const QRectF chosen = QRectF(buttons_[selected_]->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Palette::withOpacity(Palette::accent(), 0.55 * opacity), 1.0));
        painter.setBrush(Palette::withOpacity(Palette::selectedFill(), opacity));
        painter.drawRoundedRect(chosen, kRadius - 2, kRadius - 2);
    }
}

void SegmentedPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || Palette::isAppearanceChange(event)) update();
}
