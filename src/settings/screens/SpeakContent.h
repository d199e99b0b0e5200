#pragma once

#include "settings/screens/EditorPage.h"

#include <QList>

class BetaSettingsModel;
class Row;
class SettingsNav;
class ToggleRow;
struct ScreenContext;

// The screen "スピーチの入力": every speech-input setting with its current value, in three groups
// (how you speak, listening, screen and sound), each row opening its editor, and the switch that
// starts the application at login. The values follow the model.
class SpeakContent : public EditorPage {
    Q_OBJECT
public:
    // Model and navigation must outlive the screen.
    SpeakContent(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent = nullptr);

    // The rows in order: trigger key, key use, input quality, spoken language, switch panel, sounds.
    const QList<Row*>& rows() const { return rows_; }
    ToggleRow* launchAtLoginToggle() const { return launchAtLogin_; }

    // "オン" when any moment has a sound, "オフ" when every one is "なし" (or there are none).
    static QString soundSummary(const QStringList& sounds);

private:
    void refresh();

    BetaSettingsModel& model_;
    QList<Row*> rows_;
    ToggleRow* launchAtLogin_ = nullptr;
};

QWidget* makeSpeakScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
