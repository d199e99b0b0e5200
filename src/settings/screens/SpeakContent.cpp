#include "settings/screens/SpeakContent.h"

#include "settings/BetaSettingsModel.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/ToggleRow.h"

SpeakContent::SpeakContent(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent)
    : EditorPage(20, parent), model_(model) {
    const auto row = [this, &nav](const QString& icon, SettingsScreen screen) {
        auto* made = new Row(icon, SettingsScreens::title(screen), QString(), std::nullopt, [&nav, screen] {
            nav.push(screen);
        });
        rows_.append(made);
        return made;
    };
    auto* speaking = new RowGroup(QStringLiteral("話しかた"));
    speaking->addRows({row(QStringLiteral("keyboard"), SettingsScreen::triggerKey),
                       row(QStringLiteral("hand.tap"), SettingsScreen::holdMode)});
    auto* listening = new RowGroup(QStringLiteral("聞きとり"));
    listening->addRows({row(QStringLiteral("waveform"), SettingsScreen::inputQuality),
                        row(QStringLiteral("globe"), SettingsScreen::spokenLanguage)});

    BetaSettingsModel* m = &model_;
    launchAtLogin_ = new ToggleRow(QStringLiteral("ログインしたとき一緒に起動"),
                                   Binding<bool>{[m] { return m->launchAtLogin(); },
                                                 [m](bool on) { m->setLaunchAtLogin(on); }});
    auto* screenAndSound = new RowGroup(QStringLiteral("画面と音"));
    screenAndSound->addRows({row(QStringLiteral("rectangle.topthird.inset.filled"), SettingsScreen::hudPlacement),
                             row(QStringLiteral("speaker.wave.2"), SettingsScreen::sounds), launchAtLogin_});

    add(speaking);
    add(listening);
    add(screenAndSound);

    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

QString SpeakContent::soundSummary(const QStringList& sounds) {
    for (const QString& name : sounds)
        if (name != QStringLiteral("なし")) return QStringLiteral("オン");
    return QStringLiteral("オフ");
}

void SpeakContent::refresh() {
    rows_[0]->setValue(model_.triggerKeyDisplayName());
    rows_[1]->setValue(model_.holdToTalk() ? QStringLiteral("押している間だけ話す") : QStringLiteral("押して開始・停止"));
    rows_[2]->setValue(QString::number(model_.inputQualityPercent()) + QStringLiteral("%"));
    rows_[3]->setValue(model_.spokenLanguageLabel());
    rows_[4]->setValue(model_.hudPlacementLabel());
    rows_[5]->setValue(soundSummary(model_.sounds()));
    launchAtLogin_->refresh();
}

QWidget* makeSpeakScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext&) {
    return new SpeakContent(model, nav);
}
