#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCheckList;
class SettingsNav;
struct ScreenContext;

// The page "切りかえパネル": where the small panel shown while the trigger key is held goes (under
// the tray icon, beside the caret, or nowhere).
class HUDPlacementEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit HUDPlacementEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionCheckList* list() const { return list_; }

private:
    BetaSettingsModel& model_;
    OptionCheckList* list_ = nullptr;
};

QWidget* makeHudPlacementScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
