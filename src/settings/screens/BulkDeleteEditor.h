#pragma once

#include "settings/BetaSettingsModel.h"
#include "settings/screens/PlainPage.h"
#include "settings/screens/SegmentedPicker.h"

class FactRow;
class PaletteLabel;
class SettingsNav;
class ToggleRow;
struct ScreenContext;

// The screen "まとめて消す": input-field clearing on or off, its key among four chords (chosen only
// while the feature is on), and what the key does and does not clear. Every change goes through the model; the key monitor reads the stored
// settings at each key press, so nothing needs re-arming.
class BulkDeleteEditor : public PlainPage {
    Q_OBJECT
public:
    // The model must outlive the screen.
    explicit BulkDeleteEditor(BetaSettingsModel& model, QWidget* parent = nullptr);
    ~BulkDeleteEditor() override;

    ToggleRow* enabledRow() const { return enabledRow_; }
    SegmentedPicker* keyPicker() const { return keyPicker_; }
    const QList<FactRow*>& facts() const { return facts_; }

    // The key choices in the order of the segments (the same table gives the labels elsewhere).
    static QList<SegmentedPicker::Segment> keyChoices();
    // The label of a stored key; "Super + Backspace" for a value outside the choices.
    static QString keyLabel(const QString& storedKey);

    void refresh();

private:
    BetaSettingsModel& model_;
    BetaSettingsModel::ObserverId observer_ = 0;
    ToggleRow* enabledRow_ = nullptr;
    SegmentedPicker* keyPicker_ = nullptr;
    QList<FactRow*> facts_;
};

QWidget* makeBulkDeleteScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
