#pragma once

#include "settings/ui/Binding.h"

#include <QWidget>

class PaletteLabel;
class SwitchToggle;

// A row with a title and a switch bound to a setting. Only the switch reacts to clicks; the title
// does not. The switch shows what the binding reads: after the user flips it the binding is written
// and read back (a setter that refuses or maps the value shows at once).
class ToggleRow : public QWidget {
    Q_OBJECT
public:
    ToggleRow(const QString& title, Binding<bool> isOn, QWidget* parent = nullptr);

    QString title() const;
    SwitchToggle* toggle() const { return switch_; }
    // Reads the binding again (call when the model changed).
    void refresh();

private:
    Binding<bool> isOn_;
    PaletteLabel* title_ = nullptr;
    SwitchToggle* switch_ = nullptr;
};
