#include "settings/screens/HoldEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/CheckRow.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/SettingsFont.h"

#include <QLayout>
#include <QVBoxLayout>
#include <cmath>

namespace {

// Check rows have no side paddings of their own; inside a group they are inset 14 on both sides.
CheckRow* insetRow(CheckRow* row) {
    if (QLayout* inner = row->layout()) {
        QMargins margins = inner->contentsMargins();
        margins.setLeft(14);
        margins.setRight(14);
        inner->setContentsMargins(margins);
    }
    return row;
}

}  // namespace

const QList<HoldEditor::DelayOption>& HoldEditor::delayOptions() {
    static const QList<DelayOption> options{
        {QStringLiteral("すぐ（0秒）"), 0.0, QStringLiteral("押した瞬間から（既定）")},
        {QStringLiteral("0.25秒"), 0.25, QStringLiteral("Shift で大文字を打つ人向け。短い押下には反応しない")},
        {QStringLiteral("0.5秒"), 0.5, QStringLiteral("ゆっくり押す人向け")},
        {QStringLiteral("0.75秒"), 0.75, QStringLiteral("誤って押しても、まず反応しない")},
        {QStringLiteral("1秒"), 1.0, QStringLiteral("しっかり長押しした時だけ")},
    };
    return options;
}

bool HoldEditor::delayMatches(double stored, double option) { return std::fabs(stored - option) < 0.001; }

HoldEditor::HoldEditor(BetaSettingsModel& model, QWidget* parent) : EditorPage(12, parent), model_(model) {
    BetaSettingsModel* m = &model_;
    modeRows_.append(insetRow(new CheckRow(QStringLiteral("押している間だけ話す"),
                                           QStringLiteral("キーを押しているあいだ録音します。"), false,
                                           [m] { m->setHoldToTalk(true); })));
    modeRows_.append(insetRow(new CheckRow(QStringLiteral("1回押して話し、もう1回押して止める"),
                                           QStringLiteral("押すたびに録音の開始と停止を切り替えます。"), false,
                                           [m] { m->setHoldToTalk(false); })));
    auto* modes = new RowGroup;
    modes->addRows({modeRows_[0], modeRows_[1]});
    add(modes);

    // The delay section: its heading and explanation, then one row per option.
    auto* heading = new QWidget;
    auto* headingLayout = new QVBoxLayout(heading);
    headingLayout->setContentsMargins(0, 8, 0, 0);
    headingLayout->setSpacing(3);
    headingLayout->addWidget(new PaletteLabel(QStringLiteral("音声入力までの時間"), SettingsFont::semibold(13),
                                              [] { return Palette::text(); }, heading));
    auto* explanation = new PaletteLabel(
        QStringLiteral("キーを押してから、音声入力が始まるまで。これより短く押した分は普通のキーとして通ります。"),
        SettingsFont::make(12), [] { return Palette::systemSecondary(); }, heading);
    explanation->setWrapping(true);
    headingLayout->addWidget(explanation);
    add(heading);

    QList<QWidget*> rows;
    for (const DelayOption& option : delayOptions()) {
        const double seconds = option.seconds;
        auto* row = insetRow(new CheckRow(option.title, option.detail, false, [m, seconds] { m->setHoldDelay(seconds); }));
        delayRows_.append(row);
        rows.append(row);
    }
    auto* delays = new RowGroup;
    delays->addRows(rows);
    add(delays);

    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void HoldEditor::refresh() {
    modeRows_[0]->setChecked(model_.holdToTalk());
    modeRows_[1]->setChecked(!model_.holdToTalk());
    for (qsizetype i = 0; i < delayRows_.size(); ++i)
        delayRows_[i]->setChecked(delayMatches(model_.holdDelay(), delayOptions().at(i).seconds));
}

QWidget* makeHoldModeScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new HoldEditor(model);
}
