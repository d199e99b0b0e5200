#pragma once

#include "settings/screens/EditorPage.h"
#include "settings/screens/KeyboardPicker.h"

class BetaSettingsModel;
class PaletteLabel;
class SettingsNav;
struct ScreenContext;

// The page "音声入力キー": the current trigger key, one line of explanation, and the drawn keyboard
// on which another key is chosen.
class KeyEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit KeyEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    KeyboardPicker* picker() const { return picker_; }
    // The name of the current key after "いま: ".
    PaletteLabel* currentKeyLabel() const { return current_; }

private:
    BetaSettingsModel& model_;
    PaletteLabel* current_ = nullptr;
    KeyboardPicker* picker_ = nullptr;
};

QWidget* makeTriggerKeyScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
