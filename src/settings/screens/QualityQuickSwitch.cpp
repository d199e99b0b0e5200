#include "settings/screens/QualityQuickSwitch.h"

#include "core/AppPrefs.h"
#include "settings/screens/ModelWatch.h"
#include "settings/ui/Palette.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kSegmentRadius = 8;
constexpr int kTrackRadius = 11;
constexpr int kTrackInset = 4;
constexpr int kSegmentVerticalPadding = 9;
}  // namespace

QualitySegment::QualitySegment(const QString& title, const QString& key, QWidget* parent)
    : QAbstractButton(parent), key_(key) {
    setText(title);
    setFont(SettingsFont::semibold(15));
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void QualitySegment::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
}

QColor QualitySegment::textColor() const { return selected_ ? Palette::text() : Palette::secondaryText(); }

QColor QualitySegment::fillColor() const { return selected_ ? Palette::selectedFill() : QColor(Qt::transparent); }

QSize QualitySegment::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {metrics.horizontalAdvance(text()) + 16, metrics.height() + 2 * kSegmentVerticalPadding};
}

QSize QualitySegment::minimumSizeHint() const { return {0, sizeHint().height()}; }

void QualitySegment::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (selected_) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), kSegmentRadius, kSegmentRadius);
        painter.fillPath(path, fillColor());
    }
    painter.setPen(textColor());
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void QualitySegment::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}

QualityQuickSwitch::QualityQuickSwitch(BetaSettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kTrackInset, kTrackInset, kTrackInset, kTrackInset);
    layout->setSpacing(0);
    for (const AppPrefs::QualityRow& row : AppPrefs::selectableQualityLevels()) {
        auto* segment = new QualitySegment(row.title, row.key, this);
        // Every click stores the level, the marked one included: the model logs and tells the
        // shell again, as the user asked for it.
        connect(segment, &QAbstractButton::clicked, this, [this, key = row.key] { model_.setQualityLevel(key); });
        layout->addWidget(segment, 1);
        segments_.append(segment);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void QualityQuickSwitch::refresh() {
    const QString level = model_.qualityLevel();
    for (QualitySegment* segment : segments_) segment->setSelected(segment->key() == level);
}

void QualityQuickSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kTrackRadius, kTrackRadius);
    painter.fillPath(path, Palette::cardBackground());
}

void QualityQuickSwitch::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
