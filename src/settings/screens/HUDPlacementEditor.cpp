#include "settings/screens/HUDPlacementEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/PaletteLabel.h"

HUDPlacementEditor::HUDPlacementEditor(BetaSettingsModel& model, QWidget* parent)
    : EditorPage(12, parent), model_(model) {
    const QList<OptionRow<QString>> rows{
        {QStringLiteral("アイコンのそばに出す"), QStringLiteral("top"),
         QStringLiteral("パネルの Quendle アイコンのそばに出ます（はじめの設定）")},
        {QStringLiteral("カーソルの近くに出す"), QStringLiteral("cursor"),
         QStringLiteral("いま文字を入れている場所のそば（書いた文章を隠さない側）に出ます")},
        {QStringLiteral("出さない"), QStringLiteral("off"), QStringLiteral("録音中は何も出しません")},
    };
    BetaSettingsModel* m = &model_;
    // The model's setter stores the placement; the panel reads it at the next recording.
    list_ = new OptionCheckList(rows, Binding<QString>{[m] { return m->hudPlacement(); },
                                                       [m](const QString& value) { m->setHudPlacement(value); }});
    add(makeOptionCaption(
        QStringLiteral("キーを押している間、品質（↑↓）と整えかた（←→）を切りかえられる小さなパネルです。")));
    add(list_);
    watchModel(this, model_, [this] { list_->refresh(); });
}

QWidget* makeHudPlacementScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new HUDPlacementEditor(model);
}
