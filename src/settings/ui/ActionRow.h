#pragma once

#include "settings/ui/RowButton.h"

#include <optional>

class PaletteLabel;

// A row that only runs an action: [icon] title. The whole row is the button.
class ActionRow : public RowButton {
    Q_OBJECT
public:
    ActionRow(std::optional<QString> icon, const QString& title, Action action, QWidget* parent = nullptr);

    QString title() const;

private:
    PaletteLabel* title_ = nullptr;
};
