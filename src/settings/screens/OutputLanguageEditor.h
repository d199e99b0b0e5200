#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCardList;
class OptionSection;
class SettingsNav;
struct ScreenContext;

// The page "アウトプットの言語": text in the spoken language or in the keyboard's language. The
// choice only works at the quality "high"; below it the cards are dimmed, still marking the stored
// choice, under a note that says why.
class OutputLanguageEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit OutputLanguageEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionSection* section() const { return section_; }
    OptionCardList* cards() const { return cards_; }

private:
    void refresh();

    BetaSettingsModel& model_;
    OptionSection* section_ = nullptr;
    OptionCardList* cards_ = nullptr;
};

QWidget* makeOutputLanguageScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
