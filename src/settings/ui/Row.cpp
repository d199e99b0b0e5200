#include "settings/ui/Row.h"

#include "settings/ui/ElidedLabel.h"
#include "settings/ui/InfoMark.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QHBoxLayout>

Row::Row(std::optional<QString> icon, const QString& title, const QString& value, std::optional<QString> note,
         Action action, QWidget* parent)
    : RowButton(std::move(action), parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(16, 15, 16, 15);
    if (icon) {
        icon_ = new SymbolLabel(*icon, 16, [] { return Palette::secondaryText(); }, QSize(24, 19), this);
        layout->addWidget(icon_);
    }
    title_ = new PaletteLabel(title, SettingsFont::make(16.5), [] { return Palette::text(); }, this);
    layout->addWidget(title_);
    if (note) {
        infoMark_ = new InfoMark(*note, this);
        layout->addWidget(infoMark_);
    }
    layout->addSpacerItem(new QSpacerItem(12, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    value_ = new ElidedLabel(value, SettingsFont::make(14.5), [] { return Palette::systemSecondary(); }, this);
    layout->addWidget(value_, 1);
    layout->addWidget(new SymbolLabel(QStringLiteral("chevron.right"), 13,
                                      [] { return Palette::withOpacity(Palette::secondaryText(), 0.6); }, {}, this));
}

QString Row::title() const { return title_->text(); }

QString Row::value() const { return value_->text(); }

void Row::setValue(const QString& value) { value_->setText(value); }
