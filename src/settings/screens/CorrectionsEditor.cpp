#include "settings/screens/CorrectionsEditor.h"

#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/ServicePrefs.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/ListTextBox.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/SaveRevertBar.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QShowEvent>

CorrectionsEditor::CorrectionsEditor(BetaSettingsModel& model, std::function<void()> syncOnAppear, QWidget* parent)
    : EditorPage(kSpacing, parent), model_(model), syncOnAppear_(std::move(syncOnAppear)) {
    const auto secondary = [] { return Palette::systemSecondary(); };

    auto* lead = new PaletteLabel(
        QStringLiteral("気になった言葉は、どんどん足してください。ここを育てるほど、直す手間が減っていきます。"),
        SettingsFont::semibold(12), [] { return Palette::text(); });
    lead->setWrapping(true);
    add(lead);

    auto* explanation = new PaletteLabel(
        QStringLiteral("左に「出てしまう言葉」、右に「本当に入れたい言葉」を「→」でつなぎます。文の中に出てきたものも、"
                       "すべて置き換えます。書き終えたら「保存」を押します。いつでも書き換えられるので、気軽に試して"
                       "かまいません。"),
        SettingsFont::make(12), secondary);
    explanation->setWrapping(true);
    add(explanation);

    BetaSettingsModel* m = &model;
    textBox_ = new ListTextBox(QStringLiteral("例:\n開業 → 改行\nスイカ → Suica"), kEditorHeight,
                               Binding<QString>{[m] { return m->corrections(); },
                                                [m](QString text) { m->setCorrections(text); }});
    add(textBox_);

    auto* caution = new PaletteLabel(
        QStringLiteral("左の言葉は、そのままでは入力できなくなります（右に置き換わるため）。"), SettingsFont::make(11),
        secondary);
    caution->setWrapping(true);
    add(caution);

    // The rules are all used here; the service keeps only what fits its limit.
    tooLongForService_ = new PaletteLabel(
        QStringLiteral("4000字を超えているので、超えた分の行はサーバーに保存されません。"), SettingsFont::make(11),
        [] { return Palette::systemOrange(); });
    tooLongForService_->setWrapping(true);
    add(tooLongForService_);

    // A single rule longer than the service keeps could never reach the other devices, and
    // would leave nothing to send in its place: it is not saved.
    ruleTooLong_ = new PaletteLabel(
        QStringLiteral("4000字を超える行があるので保存できません。1つの言い直しは、サーバーに入る4000字までにしてください。"),
        SettingsFont::make(11), [] { return Palette::systemOrange(); });
    ruleTooLong_->setWrapping(true);
    add(ruleTooLong_);

    bar_ = new SaveRevertBar(
        [m] {
            if (!AppPrefs::hasTooLongCorrectionRule(m->corrections())) m->saveCorrections();
        },
        [m] { m->setCorrections(m->savedCorrections()); });
    add(bar_);

    refresh();
    watchModel(this, model, [this] { refresh(); });
}

void CorrectionsEditor::refresh() {
    textBox_->refresh();
    const bool ruleTooLong = AppPrefs::hasTooLongCorrectionRule(model_.corrections());
    ruleTooLong_->setVisible(ruleTooLong);
    tooLongForService_->setVisible(!ruleTooLong &&
                                   Graphemes::count(model_.corrections()) > ServicePrefs::kServiceListLimit);
    bar_->setState(model_.correctionsAreDirty(), model_.correctionsChangeSummary(), model_.correctionsChanges(),
                   !ruleTooLong);
}

void CorrectionsEditor::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    // The navigation builds a page afresh each time it shows it, so the first show is the
    // appearance; the window coming back over the same page is not.
    if (appeared_) return;
    appeared_ = true;
    if (syncOnAppear_) syncOnAppear_();
}

QWidget* makeCorrectionsScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext& context) {
    return new CorrectionsEditor(model, context.syncOnAppear);
}
