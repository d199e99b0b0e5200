#pragma once

#include "settings/Copy.h"
#include "settings/ui/Binding.h"
#include "settings/ui/RowGroup.h"

#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class CheckRow;
class PaletteLabel;
class PickCard;
class QGraphicsOpacityEffect;
class QVBoxLayout;
class WhyDisabled;

// One entry of an option editor's fixed list: the name and detail a check row shows, and the value
// written to the setting (also the entry's identity in the list).
template <typename T>
struct OptionRow {
    QString name;
    T value;
    QString detail;
};

// The explanation at the top of an option page: 12 px, secondary colour, wrapping onto as many
// lines as it needs (never cut).
PaletteLabel* makeOptionCaption(const QString& text);

// A column of option cards, one per row whose value has an item in the setting's texts table (rows
// without one are skipped). The card whose value equals the bound value is selected; a click
// assigns the card's value through the binding (the model's setter does the rest, and the screen
// calls refresh() when the model publishes). While disabled, the whole column ignores clicks and
// is drawn at 45 % opacity.
class OptionCardList : public QWidget {
    Q_OBJECT
public:
    OptionCardList(const QList<OptionRow<QString>>& rows, const Copy::Table& texts, Binding<QString> value,
                   QWidget* parent = nullptr);
    OptionCardList(const QList<OptionRow<int>>& rows, const Copy::IntTable& texts, Binding<int> value,
                   QWidget* parent = nullptr);

    // Marks the card of the bound value again.
    void refresh();
    void setOptionsDisabled(bool disabled);
    bool optionsDisabled() const { return disabled_; }
    // 1.0, or 0.45 while disabled.
    double opacity() const;
    const QList<PickCard*>& cards() const { return cards_; }

    static constexpr int kSpacing = 7;
    static constexpr double kDisabledOpacity = 0.45;

private:
    void addCard(const Copy::Item& item, std::function<bool()> isSelected, std::function<void()> choose);

    QVBoxLayout* layout_ = nullptr;
    QGraphicsOpacityEffect* dim_ = nullptr;
    QList<PickCard*> cards_;
    QList<std::function<bool()>> selected_;
    bool disabled_ = false;
};

// A group of check rows with a divider between each two: each row titled with the option's name
// and its detail under it, checked when its value equals the bound value; a click assigns the
// row's value through the binding.
class OptionCheckList : public RowGroup {
    Q_OBJECT
public:
    OptionCheckList(const QList<OptionRow<QString>>& rows, Binding<QString> value, QWidget* parent = nullptr);

    // Checks the row of the bound value again.
    void refresh();
    const QList<CheckRow*>& rows() const { return rows_; }

    // The rows' inset on both sides.
    static constexpr int kRowInset = 14;

private:
    QList<CheckRow*> rows_;
    QStringList values_;
    Binding<QString> value_;
};

// The usual body of an option page: the caption, the note that says why the options are not
// available (only while there is one) and the option list.
class OptionSection : public QWidget {
    Q_OBJECT
public:
    OptionSection(const QString& caption, QWidget* list, QWidget* parent = nullptr);

    // Shows the note between the caption and the list, or removes it (nullopt).
    void setDisabledNote(const std::optional<QString>& note);
    // The note shown; null when there is none.
    WhyDisabled* note() const { return note_; }
    PaletteLabel* caption() const { return caption_; }
    QWidget* list() const { return list_; }

private:
    QVBoxLayout* layout_ = nullptr;
    PaletteLabel* caption_ = nullptr;
    WhyDisabled* note_ = nullptr;
    std::optional<QString> noteText_;
    QWidget* list_ = nullptr;
};
