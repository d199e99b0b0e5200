#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCardList;
class OptionSection;
class SettingsNav;
struct ScreenContext;

// The page "インプットの品質": how strongly a recording is sped up before it goes to the
// transcription service (100 % to 60 %). Recordings stay on the device at output quality "low", so
// the cards are dimmed and ignore clicks then, under a note that says why.
class InputQualityEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit InputQualityEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionSection* section() const { return section_; }
    OptionCardList* cards() const { return cards_; }

    static const QString kCaption;
    static const QString kLowNote;

private:
    void refresh();

    BetaSettingsModel& model_;
    OptionSection* section_ = nullptr;
    OptionCardList* cards_ = nullptr;
};

QWidget* makeInputQualityScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
