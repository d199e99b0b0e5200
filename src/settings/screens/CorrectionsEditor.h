#pragma once

#include "settings/screens/EditorPage.h"

#include <functional>

class BetaSettingsModel;
class ListTextBox;
class PaletteLabel;
class SaveRevertBar;
class SettingsNav;
struct ScreenContext;

// "言い直し": the correction rules as text, one rule per line ("開業 → 改行"), with explanations
// and the save/revert bar. The text is kept exactly as typed (it is not parsed here; only a
// line longer than the service keeps stops the save); "元に戻す" brings back the saved text
// character for character. Each time the page appears
// it starts one synchronisation pass of the lists with the service, as the vocabulary editor does.
class CorrectionsEditor : public EditorPage {
    Q_OBJECT
public:
    // `syncOnAppear` runs once each time the page is shown (may be empty). The model must outlive
    // the screen.
    CorrectionsEditor(BetaSettingsModel& model, std::function<void()> syncOnAppear, QWidget* parent = nullptr);

    ListTextBox* textBox() const { return textBox_; }
    SaveRevertBar* saveBar() const { return bar_; }
    // Shown while the rules are longer than the service keeps.
    PaletteLabel* tooLongForServiceNotice() const { return tooLongForService_; }
    // Shown while one rule alone is longer than that; the rules cannot be saved meanwhile.
    PaletteLabel* ruleTooLongNotice() const { return ruleTooLong_; }

    static constexpr int kSpacing = 8;
    static constexpr int kEditorHeight = 120;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    BetaSettingsModel& model_;
    std::function<void()> syncOnAppear_;
    ListTextBox* textBox_ = nullptr;
    SaveRevertBar* bar_ = nullptr;
    PaletteLabel* tooLongForService_ = nullptr;
    PaletteLabel* ruleTooLong_ = nullptr;
    bool appeared_ = false;
};

// The page of SettingsScreen::corrections.
QWidget* makeCorrectionsScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
