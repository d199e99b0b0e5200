#pragma once

#include "settings/screens/EditorPage.h"

#include <QList>
#include <QStringList>
#include <functional>

class BetaSettingsModel;
class QComboBox;
class QAbstractButton;
class SettingsNav;
struct ScreenContext;

// The page "効果音": the sound played at each of the four moments of a dictation (recording
// starts, recording sent, text inserted, failure), or none, with a button that plays the choice.
// Choosing a sound stores it and plays it once (the model does both).
class SoundsEditor : public EditorPage {
    Q_OBJECT
public:
    using Preview = std::function<void(const QString& soundName)>;

    // The model must outlive the screen. `player` plays a sound for the preview buttons; when it
    // is empty the model's own preview plays it.
    explicit SoundsEditor(BetaSettingsModel& model, Preview player = {}, QWidget* parent = nullptr);

    // "なし" first, then every sound, in the order offered.
    static const QStringList& choices();
    // The labels of the moments, in order.
    static const QStringList& momentLabels();
    // What a moment's picker shows: its entry of `sounds`, or "なし" when the list has none.
    static QString shownSound(const QStringList& sounds, int moment);

    // One picker and one preview button per moment, in order.
    const QList<QComboBox*>& pickers() const { return pickers_; }
    const QList<QAbstractButton*>& previewButtons() const { return previews_; }

    // The preview button of a moment.
    void preview(int moment);

private:
    void refresh();

    BetaSettingsModel& model_;
    Preview preview_;
    QList<QComboBox*> pickers_;
    QList<QAbstractButton*> previews_;
};

QWidget* makeSoundsScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
