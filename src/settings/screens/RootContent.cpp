#include "settings/screens/RootContent.h"

#include "core/OnboardingWindow.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/QualityQuickSwitch.h"
#include "settings/ui/ActionRow.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/RowLine.h"

#include <QPointer>

RootContent::RootContent(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context, QWidget* parent)
    : EditorPage(kSpacing, parent), model_(model), context_(context) {
    // Every push from here goes forward.
    const auto push = [&nav](SettingsScreen screen) {
        return [&nav, screen] {
            nav.push(screen);
        };
    };
    const auto title = [](SettingsScreen screen) { return SettingsScreens::title(screen); };

    qualitySwitch_ = new QualityQuickSwitch(model_);
    add(qualitySwitch_);

    corrections_ = new Row(QStringLiteral("pencil.line"), title(SettingsScreen::corrections), QString(), std::nullopt,
                           push(SettingsScreen::corrections));
    add(new RowGroup(std::nullopt, {corrections_}));

    speak_ = new Row(QStringLiteral("mic.fill"), title(SettingsScreen::speak), QString(), std::nullopt,
                     push(SettingsScreen::speak));
    text_ = new Row(QStringLiteral("text.alignleft"), title(SettingsScreen::text), QString(), std::nullopt,
                    push(SettingsScreen::text));
    extras_ = new Row(QStringLiteral("square.grid.2x2"), title(SettingsScreen::extras), QString(), std::nullopt,
                      push(SettingsScreen::extras));
    permissionsLine_ = new RowLine;
    permissions_ = new Row(QStringLiteral("checkmark.shield"), title(SettingsScreen::permissions), QString(),
                           std::nullopt, push(SettingsScreen::permissions));
    sections_ = new RowGroup;
    sections_->addRows({speak_, text_, extras_});
    sections_->add(permissionsLine_);
    sections_->add(permissions_);
    add(sections_);

    const ScreenContext& shared = context_;
    usage_ = new Row(QStringLiteral("questionmark.circle"), QStringLiteral("使い方"), QString(), std::nullopt,
                     [open = shared.openUsageGuide] {
                         if (open) open();
                     });
    update_ = new ActionRow(QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("最新版をチェック"),
                            [&model] { SettingsActions::call(model.actions().checkForUpdates); });
    auto* more = new RowGroup;
    // The contact row leads somewhere only where the application has a place to send the user.
    if (shared.openContactPage) {
        contact_ = new ActionRow(QStringLiteral("envelope"), QStringLiteral("お問い合わせ"),
                                 [open = shared.openContactPage] { open(); });
        more->addRows({usage_, update_, contact_});
    } else {
        more->addRows({usage_, update_});
    }
    add(more);

    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void RootContent::refresh() {
    corrections_->setValue(model_.correctionsSummary());
    speak_->setValue(model_.triggerKeyDisplayName());
    text_->setValue(model_.qualityLabel() + QStringLiteral("・") + model_.cleanupModeLabel());
    // Without a way to ask, no permission is known to be missing: the row stays away.
    // The same rule as the permissions screen: its rows and this summary never disagree.
    const bool missing = context_.onboarding && BetaSettingsModel::anyPermissionMissing(*context_.onboarding);
    if (missing) permissions_->setValue(BetaSettingsModel::permissionsSummary(*context_.onboarding));
    permissionsLine_->setVisible(missing);
    permissions_->setVisible(missing);
    // Key watching the desktop does not grant may still be granted by the probe's child, which can
    // take seconds: while the screen is in view it runs on a worker, and its answer refreshes the
    // row (without a new probe).
    if (context_.onboarding && isVisible() && !showingProbeAnswer_ &&
        !context_.onboarding->isGrantedNow(OnboardingWindow::Step::inputMonitoring)) {
        QPointer<RootContent> self(this);
        context_.onboarding->probeInputMonitoringInBackground([self](bool) {
            if (!self) return;
            self->showingProbeAnswer_ = true;
            self->refresh();
            self->showingProbeAnswer_ = false;
        });
    }
}

void RootContent::showEvent(QShowEvent* event) {
    // Permissions change outside the model (the user grants one on the desktop): ask again
    // whenever the screen comes into view.
    refresh();
    EditorPage::showEvent(event);
}

QWidget* makeRootScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context) {
    return new RootContent(model, nav, context);
}
