#include "settings/screens/QualityEditor.h"

#include "core/AppPrefs.h"
#include "settings/BetaSettingsModel.h"
#include "settings/Copy.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"

QualityEditor::QualityEditor(BetaSettingsModel& model, QWidget* parent) : EditorPage(10, parent), model_(model) {
    QList<OptionRow<QString>> rows;
    for (const auto& level : AppPrefs::selectableQualityLevels()) rows.append({level.title, level.key, level.description});
    BetaSettingsModel* m = &model_;
    cards_ = new OptionCardList(rows, Copy::qualityTiers(),
                                Binding<QString>{[m] { return m->qualityLevel(); },
                                                 [m](const QString& value) { m->setQualityLevel(value); }});
    section_ = new OptionSection(
        QStringLiteral("速さ重視(Low)で文字にするか、正確さ重視(High)で文字にするか、さらに精度が要る場面向けのモデル(Max)で文字にするかを選びます。"),
        cards_);
    add(section_);
    watchModel(this, model_, [this] { refresh(); });
}

void QualityEditor::refresh() { cards_->refresh(); }

QWidget* makeQualityScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new QualityEditor(model);
}
