#pragma once

#include "settings/Copy.h"
#include "settings/ui/RowButton.h"

class PaletteLabel;
class SymbolLabel;

// One option of an enumerated setting: its symbol, title and explanation on a rounded card. The
// selected card has the selected fill, an accent outline and a primary-coloured icon. A click
// anywhere on the card runs `action`; the card never selects itself (the screen decides).
class PickCard : public RowButton {
    Q_OBJECT
public:
    PickCard(const Copy::Item& item, bool selected, Action action, QWidget* parent = nullptr);

    const Copy::Item& item() const { return item_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    // The look of each state, for the painter and for checks.
    QColor fillColor() const;
    QColor outlineColor() const;
    double outlineWidth() const { return selected_ ? 1.5 : 1.0; }
    SymbolLabel* icon() const { return icon_; }
    // Null when the option has no explanation.
    PaletteLabel* detailLabel() const { return detail_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Copy::Item item_;
    bool selected_;
    SymbolLabel* icon_ = nullptr;
    PaletteLabel* detail_ = nullptr;
};
