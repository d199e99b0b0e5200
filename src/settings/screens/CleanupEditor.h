#pragma once

#include "settings/screens/EditorPage.h"

#include <QList>

class BetaSettingsModel;
class ListTextBox;
class OptionCardList;
class PaletteLabel;
class PickCard;
class SaveRevertBar;
class SegmentedPicker;
class SettingsNav;
class ToggleRow;
struct ScreenContext;

// The page "文章の整えかた": the cleanup style as option cards, whether "Low" results are cleaned up
// too, the user's own note for the chosen style (saved with its bar, never by leaving the page),
// the amount of hearts of the style "lover", and how the style is decided while dictating (always
// the chosen one, or picked for each send, optionally by a mouse flick). Everything but the note is
// written the moment it changes; what shows follows the model.
class CleanupEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit CleanupEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    // The six style cards, in the order "off", "standard", "formal", "junior", "friend", "lover".
    const QList<PickCard*>& styleCards() const { return styleCards_; }
    ToggleRow* lowCleanupToggle() const { return lowCleanup_; }
    // The note block (title, explanation, note field, save bar); hidden while the style is "off".
    QWidget* noteBlock() const { return noteBlock_; }
    ListTextBox* noteField() const { return noteField_; }
    SaveRevertBar* saveBar() const { return saveBar_; }
    // Shown while the note is too long to be saved.
    PaletteLabel* tooLongNotice() const { return tooLong_; }
    // The heart amount (shown only for "lover").
    QWidget* heartRow() const { return heartRow_; }
    SegmentedPicker* heartPicker() const { return heartPicker_; }
    OptionCardList* modeCards() const { return modeCards_; }
    // The mouse-flick switch (shown only when the style is picked per send) and the note under it
    // (shown while it cannot be used: the trigger key is not held to talk).
    ToggleRow* gestureToggle() const { return gesture_; }
    PaletteLabel* gestureNote() const { return gestureNote_; }

    // The style ids in card order.
    static const QList<QString>& styleValues();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    // Wraps the placeholder (the current style's example) inside the note field's width.
    void fitPlaceholder();

    BetaSettingsModel& model_;
    QList<PickCard*> styleCards_;
    ToggleRow* lowCleanup_ = nullptr;
    QWidget* noteBlock_ = nullptr;
    ListTextBox* noteField_ = nullptr;
    SaveRevertBar* saveBar_ = nullptr;
    PaletteLabel* tooLong_ = nullptr;
    QWidget* heartRow_ = nullptr;
    SegmentedPicker* heartPicker_ = nullptr;
    OptionCardList* modeCards_ = nullptr;
    ToggleRow* gesture_ = nullptr;
    PaletteLabel* gestureNote_ = nullptr;
};

QWidget* makeCleanupScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
