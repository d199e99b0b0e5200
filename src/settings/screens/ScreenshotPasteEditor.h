#pragma once

#include "settings/BetaSettingsModel.h"
#include "settings/screens/PlainPage.h"
#include "settings/screens/SegmentedPicker.h"

#include <functional>

class ActionRow;
class FactRow;
class InfoBanner;
class PaletteLabel;
class RowGroup;
class SettingsNav;
class ToggleRow;
struct ScreenContext;

// The screen "スクリーンショットを貼る": screenshot paste on or off, image or path in terminals, its
// key (英数 + V and かな + V only on JIS keyboards, and never the trigger key itself), the folder the
// screenshots are taken from, what the paste does, and, where the desktop has one, the reset of the
// folder's access permission. Every change goes through the model; the key monitor and the paste
// read the stored settings when they run.
class ScreenshotPasteEditor : public PlainPage {
    Q_OBJECT
public:
    struct Services {
        // The full path of the screenshot folder in use, asked for each time the screen is shown
        // or redrawn for a change; unset: the folder block is left out.
        std::function<QString()> folderPath;
        // Whether a folder-access reset exists here; unset or false: no reset row and no hint about it.
        std::function<bool()> canResetFolderAccess;
        std::function<void()> resetFolderAccess;
    };

    // The model must outlive the screen.
    ScreenshotPasteEditor(BetaSettingsModel& model, Services services, QWidget* parent = nullptr);
    ~ScreenshotPasteEditor() override;

    ToggleRow* enabledRow() const { return enabledRow_; }
    ToggleRow* imageInTerminalRow() const { return imageInTerminalRow_; }
    SegmentedPicker* keyPicker() const { return keyPicker_; }
    // Null when the folder block is left out. Its accessible name is the path as it is; the text
    // shown may break anywhere.
    PaletteLabel* folderLabel() const { return folderLabel_; }
    const QList<FactRow*>& facts() const { return facts_; }
    // Null when the desktop has no folder-access reset.
    ActionRow* resetRow() const { return resetRow_; }
    InfoBanner* resetHint() const { return resetHint_; }

    // The key choices offered with this trigger key: the keyboard's choices without the trigger
    // key's own key (英数 and かな exist on JIS keyboards only).
    static QList<SegmentedPicker::Segment> offeredKeyChoices(int triggerKeyCode);
    // The key that works (and shows as chosen): the stored one, except that 英数 or かな while it
    // is also the trigger key counts as the default chord.
    static QString effectiveKey(const QString& storedKey, int triggerKeyCode);
    // The label of the effective key ("Ctrl + Alt + Super + V", …).
    static QString keyLabel(const QString& storedKey, int triggerKeyCode);

    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    BetaSettingsModel& model_;
    Services services_;
    BetaSettingsModel::ObserverId observer_ = 0;
    ToggleRow* enabledRow_ = nullptr;
    ToggleRow* imageInTerminalRow_ = nullptr;
    SegmentedPicker* keyPicker_ = nullptr;
    PaletteLabel* folderLabel_ = nullptr;
    QList<FactRow*> facts_;
    ActionRow* resetRow_ = nullptr;
    InfoBanner* resetHint_ = nullptr;
};

QWidget* makeScreenshotPasteScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
