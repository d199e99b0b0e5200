#pragma once

#include "settings/screens/EditorPage.h"

class BetaSettingsModel;
class OptionCheckList;
class SettingsNav;
struct ScreenContext;

// "あなたの職種": the ten occupations as check rows; the marked one is the stored `field`, and a
// tap stores the row's value (again, when it is already marked) through the model.
class JobEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit JobEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    OptionCheckList* list() const { return list_; }

    static constexpr int kSpacing = 12;

private:
    OptionCheckList* list_ = nullptr;
};

// The page of SettingsScreen::job.
QWidget* makeJobScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
