#include "settings/ui/PickCard.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

PickCard::PickCard(const Copy::Item& item, bool selected, Action action, QWidget* parent)
    : RowButton(std::move(action), parent), item_(item), selected_(selected) {
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(11);
    layout->setContentsMargins(11, 11, 11, 11);
    icon_ = new SymbolLabel(item.icon, 15,
                            [this] { return selected_ ? Palette::text() : Palette::secondaryText(); }, QSize(22, 20),
                            this);
    layout->addWidget(icon_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(new PaletteLabel(item.title, SettingsFont::semibold(13), [] { return Palette::text(); }, this));
    if (!item.detail.isEmpty()) {
        detail_ = new PaletteLabel(item.detail, SettingsFont::make(11), [] { return Palette::systemSecondary(); }, this);
        detail_->setWrapping(true);
        detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        texts->addWidget(detail_);
    }
    // The texts keep to the top; the card grows to their wrapped height.
    texts->addStretch(1);
    layout->addLayout(texts, 1);
}

void PickCard::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    icon_->update();
    update();
}

QColor PickCard::fillColor() const {
    return selected_ ? Palette::selectedFill() : Palette::withOpacity(Palette::labelColor(), 0.05);
}

QColor PickCard::outlineColor() const { return selected_ ? Palette::accent() : Palette::separator(); }

void PickCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double inset = outlineWidth() / 2;
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 9, 9);
    painter.fillPath(path, fillColor());
    painter.setPen(QPen(outlineColor(), outlineWidth(), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(path);
}
