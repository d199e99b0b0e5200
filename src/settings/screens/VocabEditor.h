#pragma once

#include "settings/screens/EditorPage.h"

#include <QString>
#include <functional>

class BetaSettingsModel;
class ListTextBox;
class OccupationPresetButtons;
class PaletteLabel;
class SaveRevertBar;
class SettingsNav;
struct ScreenContext;

// "覚えさせる言葉": the personal vocabulary, edited as text with one word per line. Under the box
// the number of words and the characters of the stored form against the budget of 300 (red over
// it, with a warning), the occupation presets and the save/revert bar. Every edit is an unsaved
// edit in the model until "保存"; "元に戻す" shows the saved words again, one per line. Each time
// the page appears it starts one synchronisation pass of the lists with the service.
class VocabEditor : public EditorPage {
    Q_OBJECT
public:
    // `syncOnAppear` runs once each time the page is shown (may be empty). The model must outlive
    // the screen.
    VocabEditor(BetaSettingsModel& model, std::function<void()> syncOnAppear, QWidget* parent = nullptr);

    ListTextBox* textBox() const { return textBox_; }
    PaletteLabel* wordCountLabel() const { return words_; }
    PaletteLabel* characterCountLabel() const { return characters_; }
    PaletteLabel* budgetWarning() const { return warning_; }
    // Shown while the list is too long to be saved.
    PaletteLabel* tooLongNotice() const { return tooLong_; }
    OccupationPresetButtons* presets() const { return presets_; }
    SaveRevertBar* saveBar() const { return bar_; }

    // What the counters show for a text: its words, and the characters (grapheme clusters) of the
    // words joined by ", ", which is how the list is stored and sent.
    static int wordCount(const QString& text);
    static qsizetype characterCount(const QString& text);
    static bool isOverBudget(const QString& text) { return characterCount(text) > kBudget; }
    // The saved list as the box shows it after a revert: one word per line.
    static QString revertedText(const QString& savedVocabulary);

    static constexpr int kBudget = 300;
    static constexpr int kSpacing = 5;
    static constexpr int kEditorHeight = 132;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    BetaSettingsModel& model_;
    std::function<void()> syncOnAppear_;
    ListTextBox* textBox_ = nullptr;
    PaletteLabel* words_ = nullptr;
    PaletteLabel* characters_ = nullptr;
    PaletteLabel* warning_ = nullptr;
    PaletteLabel* tooLong_ = nullptr;
    OccupationPresetButtons* presets_ = nullptr;
    SaveRevertBar* bar_ = nullptr;
    bool appeared_ = false;
};

// The page of SettingsScreen::vocabulary.
QWidget* makeVocabularyScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
