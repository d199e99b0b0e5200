#pragma once

#include "core/OnboardingWindow.h"
#include "settings/screens/EditorPage.h"
#include "settings/ui/RowButton.h"

#include <QDateTime>
#include <QList>

class BetaSettingsModel;
class PaletteLabel;
class QAbstractButton;
class SettingsNav;
class SymbolLabel;
struct ScreenContext;

// One permission on the permissions screen: its state (green check or orange mark, a status
// line) and, over the whole row, a button that sends the user where the permission is changed
// (only where the desktop has settings for it: otherwise the row is not clickable).
// The row checks its step when built and whenever refresh() is called; it keeps nothing else.
class PermissionRow : public RowButton {
    Q_OBJECT
public:
    using Step = OnboardingWindow::Step;

    // `onboarding` holds the check rule and the request; null: the step reads as not granted and
    // the click does nothing.
    PermissionRow(Step step, OnboardingWindow* onboarding, QWidget* parent = nullptr);

    Step step() const { return step_; }
    // The state shown since the last check.
    bool isGranted() const { return granted_; }
    // Runs the check again and shows its answer. Key watching that only the probe's child can
    // grant is shown as not granted until the child, run in the background, answers.
    void refresh();
    // What a click does: the desktop's way of changing the permission (the request of the step).
    void openSettingsPane();
    // Whether a click leads anywhere.
    bool opensSettings() const { return opens_; }

    QString title() const;
    QString statusText() const;
    SymbolLabel* statusIcon() const { return icon_; }

    // "マイクを使えるようにする", …
    static QString title(Step step);

private:
    Step step_;
    OnboardingWindow* onboarding_;
    bool granted_ = false;
    bool opens_ = false;
    bool showingProbeAnswer_ = false;
    SymbolLabel* icon_ = nullptr;
    SymbolLabel* opensMark_ = nullptr;
    PaletteLabel* title_ = nullptr;
    PaletteLabel* status_ = nullptr;
};

// The screen "許可の状態": the four permissions dictation needs, checked afresh each time the
// screen is shown and by its re-check button, each row leading to the permission's settings.
// It never raises a consent prompt of its own.
class PermissionsEditor : public EditorPage {
    Q_OBJECT
public:
    // The model must outlive the screen; `onboarding` may be null.
    PermissionsEditor(BetaSettingsModel& model, OnboardingWindow* onboarding, QWidget* parent = nullptr);

    // When the rows last checked their steps.
    QDateTime refreshedAt() const { return refreshedAt_; }
    // Checks every row again.
    void refresh();
    // The re-check button's action: check again, reload the whole model from the settings, and
    // have the desktop asked afresh (the rows follow its answers).
    void recheck();

    const QList<PermissionRow*>& rows() const { return rows_; }
    QAbstractButton* recheckButton() const { return recheck_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    BetaSettingsModel& model_;
    OnboardingWindow* onboarding_;
    QDateTime refreshedAt_;
    QList<PermissionRow*> rows_;
    QAbstractButton* recheck_ = nullptr;
    // The rows were checked when built; the first show needs no second check.
    bool checkedSinceHidden_ = true;
};

QWidget* makePermissionsScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
