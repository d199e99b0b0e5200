#pragma once

#include "settings/screens/EditorPage.h"

#include <QList>

class BetaSettingsModel;
class CheckRow;
class SettingsNav;
struct ScreenContext;

// The page "キーの使いかた": hold the key to talk, or press once to start and once to stop; and how
// long the key must be held before dictation starts (shorter presses pass through as the key).
class HoldEditor : public EditorPage {
    Q_OBJECT
public:
    struct DelayOption {
        QString title;
        double seconds;
        QString detail;
    };

    // The model must outlive the screen.
    explicit HoldEditor(BetaSettingsModel& model, QWidget* parent = nullptr);

    // The delays offered, in order: 0, 0.25, 0.5, 0.75 and 1 second.
    static const QList<DelayOption>& delayOptions();
    // A stored delay marks the option it is within a thousandth of a second of; a delay set from
    // outside that lies between the options marks none.
    static bool delayMatches(double stored, double option);

    // Hold to talk, then press to toggle.
    const QList<CheckRow*>& modeRows() const { return modeRows_; }
    // One per delay option, in order.
    const QList<CheckRow*>& delayRows() const { return delayRows_; }

private:
    void refresh();

    BetaSettingsModel& model_;
    QList<CheckRow*> modeRows_;
    QList<CheckRow*> delayRows_;
};

QWidget* makeHoldModeScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
