#include "settings/ui/ActionRow.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QHBoxLayout>

ActionRow::ActionRow(std::optional<QString> icon, const QString& title, Action action, QWidget* parent)
    : RowButton(std::move(action), parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(16, 15, 16, 15);
    if (icon) layout->addWidget(new SymbolLabel(*icon, 16, [] { return Palette::secondaryText(); }, QSize(24, 19), this));
    title_ = new PaletteLabel(title, SettingsFont::make(16.5), [] { return Palette::text(); }, this);
    title_->setWrapping(true);
    layout->addWidget(title_, 1);
}

QString ActionRow::title() const { return title_->text(); }
