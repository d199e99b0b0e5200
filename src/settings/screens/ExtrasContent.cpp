#include "settings/screens/ExtrasContent.h"

#include "settings/screens/BulkDeleteEditor.h"
#include "settings/screens/ScreenshotPasteEditor.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/InfoMark.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/SettingsFont.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QString kOff = QStringLiteral("切");

}  // namespace

ExtrasContent::ExtrasContent(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent)
    : PlainPage(20, parent), model_(model) {
    SettingsNav* navigation = &nav;
    bulkDeleteRow_ = new Row(
        QStringLiteral("delete.left"), QStringLiteral("まとめて消す"), QString(),
        QStringLiteral("選んだキー（既定 Super + Backspace）で、打ちかけの入力をまるごと消します。ターミナルでは行を捨て、それ以外では"
                       "カーソルより前を全部消します。"),
        [navigation] { navigation->push(SettingsScreen::bulkDelete); });
    screenshotPasteRow_ = new Row(
        QStringLiteral("camera.viewfinder"), QStringLiteral("スクリーンショットを貼る"), QString(),
        QStringLiteral("選んだキー（既定 Ctrl + Alt + Super + V）で、いちばん新しいスクリーンショットを画像としてカーソル位置に貼ります。"
                       "ターミナルの Claude Code などにも画像で渡ります。"),
        [navigation] { navigation->push(SettingsScreen::screenshotPaste); });
    auto* keys = new RowGroup(QStringLiteral("キー操作"));
    keys->addRows({bulkDeleteRow_, screenshotPasteRow_});
    add(keys);

    auto* block = new QWidget;
    auto* blockLayout = new QVBoxLayout(block);
    blockLayout->setContentsMargins(16, 12, 16, 12);
    blockLayout->setSpacing(8);
    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    heading->addWidget(new PaletteLabel(QStringLiteral("選択した瞬間にコピーする"), SettingsFont::make(16.5),
                                        [] { return Palette::text(); }));
    copyOnSelectInfo_ = new InfoMark(
        QStringLiteral("マウスで文字を選択した瞬間に、その文字をクリップボードへ入れます。「知らせる」はマウスの近くに小さく"
                       "「コピーしました」と出します。パスワード欄では動きません。"));
    heading->addWidget(copyOnSelectInfo_);
    heading->addStretch(1);
    blockLayout->addLayout(heading);
    BetaSettingsModel* m = &model_;
    copyOnSelectPicker_ = new SegmentedPicker(
        copyOnSelectChoices(),
        Binding<QString>{[m] { return m->copyOnSelectMode(); }, [m](QString mode) { m->setCopyOnSelectMode(mode); }});
    copyOnSelectPicker_->setAccessibleName(QStringLiteral("選択した瞬間にコピーする"));
    blockLayout->addWidget(copyOnSelectPicker_);
    auto* selection = new RowGroup(QStringLiteral("マウスで選択した文字"));
    selection->add(block);
    add(selection);

    refresh();
    observer_ = model_.observe([this](BetaSettingsModel::Property) { refresh(); });
}

ExtrasContent::~ExtrasContent() { model_.unobserve(observer_); }

const QList<SegmentedPicker::Segment>& ExtrasContent::copyOnSelectChoices() {
    static const QList<SegmentedPicker::Segment> choices{
        {QStringLiteral("コピーだけ"), QStringLiteral("silent")},
        {QStringLiteral("コピーして知らせる"), QStringLiteral("notify")},
        {QStringLiteral("しない"), QStringLiteral("off")},
    };
    return choices;
}

QString ExtrasContent::bulkDeleteValue(bool enabled, const QString& key) {
    return enabled ? BulkDeleteEditor::keyLabel(key) : kOff;
}

QString ExtrasContent::screenshotPasteValue(bool enabled, const QString& key, int triggerKeyCode) {
    return enabled ? ScreenshotPasteEditor::keyLabel(key, triggerKeyCode) : kOff;
}

void ExtrasContent::refresh() {
    // From the model, which is told of a change before the store is written.
    bulkDeleteRow_->setValue(bulkDeleteValue(model_.bulkDeleteEnabled(), model_.bulkDeleteKey()));
    screenshotPasteRow_->setValue(
        screenshotPasteValue(model_.screenshotPasteEnabled(), model_.screenshotPasteKey(), model_.triggerKeyCode()));
    copyOnSelectPicker_->refresh();
}

QWidget* makeExtrasScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext&) {
    return new ExtrasContent(model, nav);
}
