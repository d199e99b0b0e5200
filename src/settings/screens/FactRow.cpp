#include "settings/screens/FactRow.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QHBoxLayout>

FactRow::FactRow(const QString& icon, const QString& text, QWidget* parent)
    : QWidget(parent), isCheck_(icon == QLatin1String("checkmark")) {
    const bool check = isCheck_;
    const auto color = [check] { return check ? Palette::text() : Palette::secondaryText(); };
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->setAlignment(Qt::AlignTop);
    symbol_ = new SymbolLabel(icon, 10, color, QSize(14, 16), this);
    layout->addWidget(symbol_, 0, Qt::AlignTop);
    text_ = new PaletteLabel(text, SettingsFont::make(12), color, this);
    text_->setWrapping(true);
    layout->addWidget(text_, 1, Qt::AlignTop);
}

QString FactRow::text() const { return text_->text(); }
