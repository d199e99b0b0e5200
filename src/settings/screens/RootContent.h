#pragma once

#include "settings/BetaSettingsModel.h"
#include "settings/SettingsNav.h"
#include "settings/screens/EditorPage.h"
#include "settings/screens/ScreenContext.h"

class ActionRow;
class QualityQuickSwitch;
class Row;
class RowGroup;
class RowLine;

// The first screen of the settings ("設定"): the quality quick switch, the corrections row, the
// rows of speech input, text output and the other features (and, while a permission is missing,
// the permissions row), then the usage guide, the update check and the contact page.
class RootContent : public EditorPage {
    Q_OBJECT
public:
    // Model and navigation must outlive the screen.
    RootContent(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context, QWidget* parent = nullptr);

    QualityQuickSwitch* qualitySwitch() const { return qualitySwitch_; }
    Row* correctionsRow() const { return corrections_; }
    Row* speakRow() const { return speak_; }
    Row* textRow() const { return text_; }
    Row* extrasRow() const { return extras_; }
    // Hidden while every permission is granted.
    Row* permissionsRow() const { return permissions_; }
    RowGroup* sectionsGroup() const { return sections_; }
    Row* usageRow() const { return usage_; }
    ActionRow* updateRow() const { return update_; }
    // Null where there is no contact page to open.
    ActionRow* contactRow() const { return contact_; }

    // Reads every row's value and the permission state again (never waiting for a child process).
    void refresh();

    static constexpr int kSpacing = 20;

protected:
    void showEvent(QShowEvent* event) override;

private:
    BetaSettingsModel& model_;
    ScreenContext context_;
    QualityQuickSwitch* qualitySwitch_ = nullptr;
    Row* corrections_ = nullptr;
    RowGroup* sections_ = nullptr;
    Row* speak_ = nullptr;
    Row* text_ = nullptr;
    Row* extras_ = nullptr;
    RowLine* permissionsLine_ = nullptr;
    Row* permissions_ = nullptr;
    Row* usage_ = nullptr;
    ActionRow* update_ = nullptr;
    ActionRow* contact_ = nullptr;
    bool showingProbeAnswer_ = false;
};

// The settings window's root screen.
QWidget* makeRootScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
