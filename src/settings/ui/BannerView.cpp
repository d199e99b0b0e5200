#include "settings/ui/BannerView.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

BannerView::BannerView(const QString& text, const QString& symbol, ColorSource tint, QWidget* parent)
    : QWidget(parent), tint_(std::move(tint)) {
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(7);
    layout->setContentsMargins(9, 9, 9, 9);
    symbol_ = new SymbolLabel(symbol, 11, tint_, {}, this);
    layout->addWidget(symbol_, 0, Qt::AlignTop);
    text_ = new PaletteLabel(text, SettingsFont::make(11), tint_, this);
    text_->setWrapping(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(text_, 1);
}

QString BannerView::text() const { return text_->text(); }

void BannerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(path, Palette::withOpacity(tint_(), 0.12));
}
