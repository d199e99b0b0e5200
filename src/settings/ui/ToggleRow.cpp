#include "settings/ui/ToggleRow.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SwitchToggle.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QSignalBlocker>

ToggleRow::ToggleRow(const QString& title, Binding<bool> isOn, QWidget* parent)
    : QWidget(parent), isOn_(std::move(isOn)) {
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(16, 12, 16, 12);
    title_ = new PaletteLabel(title, SettingsFont::make(16.5), [] { return Palette::text(); }, this);
    // A title longer than the row wraps; the row grows.
    title_->setWrapping(true);
    layout->addWidget(title_, 1);
    switch_ = new SwitchToggle(this);
    layout->addWidget(switch_, 0, Qt::AlignVCenter);
    refresh();
    connect(switch_, &QAbstractButton::toggled, this, [this](bool on) {
        QPointer<ToggleRow> self(this);
        isOn_.assign(on);
        // The setter may have rebuilt the page around this row.
        if (self) refresh();
    });
}

QString ToggleRow::title() const { return title_->text(); }

void ToggleRow::refresh() {
    const QSignalBlocker block(switch_);
    switch_->setChecked(isOn_.value());
}
