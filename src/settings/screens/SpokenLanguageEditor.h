#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCheckList;
class OptionSection;
class SettingsNav;
struct ScreenContext;

// The page "話す言語": the language the user speaks. Choosing Japanese or English also switches the
// keyboard input source to it (the model does that); "キーボードのまま" leaves the input source alone.
class SpokenLanguageEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit SpokenLanguageEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionCheckList* list() const { return list_; }

private:
    BetaSettingsModel& model_;
    OptionCheckList* list_ = nullptr;
};

QWidget* makeSpokenLanguageScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
