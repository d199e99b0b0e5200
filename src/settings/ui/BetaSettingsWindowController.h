#pragma once

#include "settings/BetaSettingsModel.h"
#include "settings/SettingsActions.h"
#include "settings/ui/BetaSettingsRoot.h"

#include <QMargins>
#include <QObject>
#include <QRect>
#include <memory>

class Sounds;

// The settings window and the model its screens bind to. The shell makes one controller the
// first time the user opens the settings and keeps it for the run; every later open shows the
// same window. The window floats above normal windows while shown, hides as soon as it stops
// being the active window (not while a modal dialog runs or one of its own dialogs is up), and
// comes back on the root screen. Closing only hides it. Hiding and closing also let go of the
// model's hold on preference sync for unsaved word-list edits.
class BetaSettingsWindowController : public QObject {
    Q_OBJECT
public:
    // `sounds` plays the sound choices and previews (may be null). `destination` builds the
    // screens' pages (see BetaSettingsRoot). The actions go to the model; the controller keeps
    // no copy.
    explicit BetaSettingsWindowController(SettingsActions actions, Sounds* sounds = nullptr,
                                          BetaSettingsRoot::Destination destination = {});
    ~BetaSettingsWindowController() override;
    BetaSettingsWindowController(const BetaSettingsWindowController&) = delete;
    BetaSettingsWindowController& operator=(const BetaSettingsWindowController&) = delete;

    // The open sequence: reload the model from the settings, float the window, show it and make
    // it active.
    void show();

    BetaSettingsModel& model() { return *model_; }
    QWidget* window() const { return window_.get(); }
    BetaSettingsRoot* root() const { return root_; }
    bool isVisible() const;
    // The menu was rebuilt after a settings change: the visible window shows the stored values.
    void reloadIfVisible();

    static constexpr int kWidth = 430;
    static constexpr int kHeight = 820;

    // Where the window goes on a screen whose free area (without its panels) is `area`, given the
    // window manager's frame around it: the usual size where it fits, otherwise as large as fits
    // (the minimum gives way on a screen smaller than it), centred, frame and all inside the area.
    // Returns the window's own rectangle, without the frame.
    static QRect placement(const QRect& area, const QMargins& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window stopped being the active window.
    void resignedActive();
    // The user closed the window (it is hidden, not destroyed).
    void willClose();
    // A dialog or popup of this window is up (it is the window's own, like a sheet).
    bool hasOwnWindowUp() const;
    bool ownsWindow(const QWidget* widget) const;
    // Sizes and places the window on the screen under the pointer.
    void place();

    std::unique_ptr<BetaSettingsModel> model_;
    std::unique_ptr<QWidget> window_;
    BetaSettingsRoot* root_ = nullptr;
    bool placed_ = false;
    // The frame the window manager really draws is known only once the window is up: the first
    // placement guesses it and is corrected once.
    bool frameChecked_ = false;
};
