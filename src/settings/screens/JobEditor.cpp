#include "settings/screens/JobEditor.h"

#include "core/AppPrefs.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/PaletteLabel.h"

JobEditor::JobEditor(BetaSettingsModel& model, QWidget* parent) : EditorPage(kSpacing, parent) {
    add(makeOptionCaption(QStringLiteral("選んだ分野の専門用語を覚えた状態で書き起こし、似た音の聞き間違いも直します。")));

    QList<OptionRow<QString>> rows;
    for (const AppPrefs::LabelRow& row : AppPrefs::occupationTable()) rows.append({row.label, row.key, QString()});
    BetaSettingsModel* m = &model;
    list_ = new OptionCheckList(rows, Binding<QString>{[m] { return m->field(); }, [m](QString value) { m->setField(value); }});
    add(list_);

    watchModel(this, model, [this] { list_->refresh(); });
}

QWidget* makeJobScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) { return new JobEditor(model); }
