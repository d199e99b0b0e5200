#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCardList;
class OptionSection;
class SettingsNav;
struct ScreenContext;

// The page "改行の入れかた": how newlines go into long dictations. Newlines are part of the cleanup,
// so while the cleanup style is "off" the cards are dimmed, still marking the stored style, under
// a note that says why.
class NewlineEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit NewlineEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionSection* section() const { return section_; }
    OptionCardList* cards() const { return cards_; }

private:
    void refresh();

    BetaSettingsModel& model_;
    OptionSection* section_ = nullptr;
    OptionCardList* cards_ = nullptr;
};

QWidget* makeNewlineScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
