#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCardList;
class OptionSection;
class SettingsNav;
struct ScreenContext;

// The page "アウトプットの品質": the output quality as option cards ("Low" and "Max"; the middle
// tier is not offered here, so a stored "middle" marks no card).
class QualityEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit QualityEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionSection* section() const { return section_; }
    OptionCardList* cards() const { return cards_; }

private:
    void refresh();

    BetaSettingsModel& model_;
    OptionSection* section_ = nullptr;
    OptionCardList* cards_ = nullptr;
};

QWidget* makeQualityScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
