#include "settings/screens/BulkDeleteEditor.h"

#include "core/AppPrefs.h"
#include "settings/screens/FactRow.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/ToggleRow.h"

#include <QVBoxLayout>

namespace {

PaletteLabel* caption(const QString& text, double size) {
    auto* label = new PaletteLabel(text, SettingsFont::make(size), [] { return Palette::systemSecondary(); });
    label->setWrapping(true);
    return label;
}

PaletteLabel* heading(const QString& text) {
    return new PaletteLabel(text, SettingsFont::semibold(12), [] { return Palette::text(); });
}

}  // namespace

BulkDeleteEditor::BulkDeleteEditor(BetaSettingsModel& model, QWidget* parent) : PlainPage(16, parent), model_(model) {
    BetaSettingsModel* m = &model_;
    add(caption(QStringLiteral("言い間違えた文章を、キー1つで消せます。"), 12));

    enabledRow_ = new ToggleRow(QStringLiteral("まとめて消す"),
                                Binding<bool>{[m] { return m->bulkDeleteEnabled(); },
                                              [m](bool on) { m->setBulkDeleteEnabled(on); }});
    add(new RowGroup(std::nullopt, {enabledRow_}));

    auto* keyBlock = new QWidget;
    auto* keyLayout = new QVBoxLayout(keyBlock);
    keyLayout->setContentsMargins(0, 0, 0, 0);
    keyLayout->setSpacing(7);
    keyLayout->addWidget(heading(QStringLiteral("使うキー")));
    keyPicker_ = new SegmentedPicker(
        keyChoices(), Binding<QString>{[m] { return m->bulkDeleteKey(); }, [m](QString key) { m->setBulkDeleteKey(key); }});
    keyPicker_->setAccessibleName(QStringLiteral("使うキー"));
    keyLayout->addWidget(keyPicker_);
    add(keyBlock);

    add(heading(QStringLiteral("どこまで消えるか")));
    auto* factBlock = new QWidget;
    auto* factLayout = new QVBoxLayout(factBlock);
    factLayout->setContentsMargins(0, 0, 0, 0);
    factLayout->setSpacing(8);
    const std::pair<const char*, const char*> facts[] = {
        {"checkmark", "カーソルより前を全部消します（改行をまたいでも）。"},
        {"checkmark", "ターミナル（Claude Code など）でも効きます。"},
        {"xmark", "文書の途中で押すと、そこまでの文が消えます（Ctrl + Z で戻せます）。"},
    };
    for (const auto& [icon, text] : facts) {
        auto* row = new FactRow(QString::fromUtf8(icon), QString::fromUtf8(text));
        factLayout->addWidget(row);
        facts_.append(row);
    }
    add(factBlock);

    refresh();
    observer_ = model_.observe([this](BetaSettingsModel::Property) { refresh(); });
}

BulkDeleteEditor::~BulkDeleteEditor() { model_.unobserve(observer_); }

QList<SegmentedPicker::Segment> BulkDeleteEditor::keyChoices() {
    QList<SegmentedPicker::Segment> choices;
    for (const AppPrefs::LabelRow& row : AppPrefs::bulkDeleteKeyTable()) choices.append({row.label, row.key});
    return choices;
}

QString BulkDeleteEditor::keyLabel(const QString& storedKey) {
    for (const AppPrefs::LabelRow& row : AppPrefs::bulkDeleteKeyTable())
        if (row.key == storedKey) return row.label;
    return AppPrefs::bulkDeleteKeyTable().first().label;
}

void BulkDeleteEditor::refresh() {
    enabledRow_->refresh();
    keyPicker_->refresh();
    keyPicker_->setEnabled(model_.bulkDeleteEnabled());
}

QWidget* makeBulkDeleteScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new BulkDeleteEditor(model);
}
