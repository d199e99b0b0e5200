#pragma once

#include "settings/ui/RowButton.h"

#include <optional>

class InfoMark;
class PaletteLabel;
class SymbolLabel;

// A navigation row: [icon] title [ⓘ] … value ›. The whole row is one button that runs `action`
// (usually a push of the screen the row names). A value too long for the title's line goes on a
// line of its own under the title, wrapped; the row grows to its text.
class Row : public RowButton {
    Q_OBJECT
public:
    Row(std::optional<QString> icon, const QString& title, const QString& value, std::optional<QString> note,
        Action action, QWidget* parent = nullptr);

    QString title() const;
    QString value() const;
    void setValue(const QString& value);
    // The information mark after the title; null without a note.
    InfoMark* infoMark() const { return infoMark_; }
    SymbolLabel* icon() const { return icon_; }
    PaletteLabel* valueLabel() const { return value_; }

private:
    SymbolLabel* icon_ = nullptr;
    PaletteLabel* title_ = nullptr;
    InfoMark* infoMark_ = nullptr;
    PaletteLabel* value_ = nullptr;
};
