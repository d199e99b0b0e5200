#include "settings/screens/OptionList.h"

#include "settings/ui/CheckRow.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/WhyDisabled.h"

#include <QGraphicsOpacityEffect>
#include <QLayout>
#include <QVBoxLayout>

PaletteLabel* makeOptionCaption(const QString& text) {
    auto* caption = new PaletteLabel(text, SettingsFont::make(12), [] { return Palette::systemSecondary(); });
    caption->setWrapping(true);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return caption;
}

// ---- cards

OptionCardList::OptionCardList(const QList<OptionRow<QString>>& rows, const Copy::Table& texts,
                               Binding<QString> value, QWidget* parent)
    : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(kSpacing);
    for (const OptionRow<QString>& row : rows) {
        const std::optional<Copy::Item> item = Copy::find(texts, row.value);
        if (!item) continue;
        addCard(
            *item, [value, key = row.value] { return value.value() == key; },
            [value, key = row.value] { value.assign(key); });
    }
}

OptionCardList::OptionCardList(const QList<OptionRow<int>>& rows, const Copy::IntTable& texts, Binding<int> value,
                               QWidget* parent)
    : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(kSpacing);
    for (const OptionRow<int>& row : rows) {
        const std::optional<Copy::Item> item = Copy::find(texts, row.value);
        if (!item) continue;
        addCard(
            *item, [value, key = row.value] { return value.value() == key; },
            [value, key = row.value] { value.assign(key); });
    }
}

void OptionCardList::addCard(const Copy::Item& item, std::function<bool()> isSelected, std::function<void()> choose) {
    // A disabled list takes no choice.
    auto* card = new PickCard(item, isSelected(), [this, choose = std::move(choose)] {
        if (!disabled_) choose();
    }, this);
    layout_->addWidget(card);
    cards_.append(card);
    selected_.append(std::move(isSelected));
}

void OptionCardList::refresh() {
    for (qsizetype i = 0; i < cards_.size(); ++i) cards_[i]->setSelected(selected_[i]());
}

void OptionCardList::setOptionsDisabled(bool disabled) {
    disabled_ = disabled;
    // Clicks go nowhere. The cards are not disabled widgets: a disabled label would draw its
    // text in the faint disabled colour under the dimming, and the chosen card's text would
    // vanish into its fill. The dimming alone marks the list as unavailable.
    setAttribute(Qt::WA_TransparentForMouseEvents, disabled);
    if (disabled) {
        if (!dim_) {
            dim_ = new QGraphicsOpacityEffect(this);
            dim_->setOpacity(kDisabledOpacity);
            setGraphicsEffect(dim_);  // takes ownership
        }
    } else if (dim_) {
        setGraphicsEffect(nullptr);  // deletes the effect
        dim_ = nullptr;
    }
}

double OptionCardList::opacity() const { return dim_ ? dim_->opacity() : 1.0; }

// ---- check rows

OptionCheckList::OptionCheckList(const QList<OptionRow<QString>>& rows, Binding<QString> value, QWidget* parent)
    : RowGroup(std::nullopt, {}, parent), value_(std::move(value)) {
    QList<QWidget*> widgets;
    for (const OptionRow<QString>& row : rows) {
        auto* check = new CheckRow(row.name, row.detail, value_.value() == row.value,
                                   [binding = value_, key = row.value] { binding.assign(key); });
        if (QLayout* inner = check->layout()) {
            QMargins margins = inner->contentsMargins();
            margins.setLeft(kRowInset);
            margins.setRight(kRowInset);
            inner->setContentsMargins(margins);
        }
        rows_.append(check);
        values_.append(row.value);
        widgets.append(check);
    }
    addRows(widgets);
}

void OptionCheckList::refresh() {
    const QString current = value_.value();
    for (qsizetype i = 0; i < rows_.size(); ++i) rows_[i]->setChecked(values_[i] == current);
}

// ---- section

OptionSection::OptionSection(const QString& caption, QWidget* list, QWidget* parent) : QWidget(parent), list_(list) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(10);
    caption_ = makeOptionCaption(caption);
    layout_->addWidget(caption_);
    if (list_) layout_->addWidget(list_);
}

void OptionSection::setDisabledNote(const std::optional<QString>& note) {
    if (note == noteText_) return;
    noteText_ = note;
    if (note_) {
        layout_->removeWidget(note_);
        note_->hide();
        note_->deleteLater();
        note_ = nullptr;
    }
    if (!note) return;
    // The banner's text is fixed: a new note is a new banner, between the caption and the list.
    note_ = new WhyDisabled(*note, this);
    layout_->insertWidget(1, note_);
}
