#include "settings/ui/CheckRow.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CheckRow::CheckRow(const QString& title, const QString& subtitle, bool checked, Action action, QWidget* parent)
    : RowButton(std::move(action), parent), checked_(checked) {
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(0, 5, 0, 5);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    title_ = new PaletteLabel(title, SettingsFont::make(14), [] { return Palette::text(); }, this);
    title_->setWrapping(true);
    texts->addWidget(title_);
    if (!subtitle.isEmpty()) {
        subtitle_ = new PaletteLabel(subtitle, SettingsFont::make(11), [] { return Palette::systemSecondary(); }, this);
        subtitle_->setWrapping(true);
        texts->addWidget(subtitle_);
    }
    layout->addLayout(texts, 1);
    layout->addSpacing(12);
    check_ = new SymbolLabel(QStringLiteral("checkmark"), 12, [] { return Palette::accent(); }, {}, this);
    layout->addWidget(check_);
    check_->setVisible(checked);
    // Keep the mark's place when hidden so the texts do not jump.
    QSizePolicy policy = check_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    check_->setSizePolicy(policy);
}

QString CheckRow::title() const { return title_->text(); }

void CheckRow::setChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    check_->setVisible(checked);
}
