#include "settings/screens/VocabEditor.h"

#include "core/Graphemes.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/ListTextBox.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OccupationPresetButtons.h"
#include "settings/screens/SaveRevertBar.h"
#include "settings/screens/ScreenColors.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QHBoxLayout>
#include <QShowEvent>

int VocabEditor::wordCount(const QString& text) { return int(BetaSettingsModel::splitWordList(text).size()); }

qsizetype VocabEditor::characterCount(const QString& text) {
    return Graphemes::count(BetaSettingsModel::splitWordList(text).join(QStringLiteral(", ")));
}

QString VocabEditor::revertedText(const QString& savedVocabulary) {
    return BetaSettingsModel::splitWordList(savedVocabulary).join(QLatin1Char('\n'));
}

VocabEditor::VocabEditor(BetaSettingsModel& model, std::function<void()> syncOnAppear, QWidget* parent)
    : EditorPage(kSpacing, parent), model_(model), syncOnAppear_(std::move(syncOnAppear)) {
    const auto secondary = [] { return Palette::systemSecondary(); };

    auto* caption = new PaletteLabel(
        QStringLiteral("会社名や商品名など、正しく変換したい言葉を1行に1つずつ書きます。書き終えたら「保存」を押します。"),
        SettingsFont::make(11), secondary);
    caption->setWrapping(true);
    add(caption);

    BetaSettingsModel* m = &model;
    textBox_ = new ListTextBox(QStringLiteral("例:\n株式会社モロタン\nQuendle"), kEditorHeight,
                               Binding<QString>{[m] { return m->vocabularyText(); },
                                                [m](QString text) { m->setVocabularyText(text); }});
    add(textBox_);

    auto* counters = new QHBoxLayout;
    counters->setContentsMargins(0, 0, 0, 0);
    words_ = new PaletteLabel(QString(), SettingsFont::make(11), secondary);
    characters_ = new PaletteLabel(QString(), SettingsFont::make(11), [this] {
        return isOverBudget(model_.vocabularyText()) ? ScreenColors::red() : Palette::systemSecondary();
    });
    counters->addWidget(words_, 0, Qt::AlignVCenter);
    counters->addStretch(1);
    counters->addWidget(characters_, 0, Qt::AlignVCenter);
    addLayout(counters);

    warning_ = new PaletteLabel(QStringLiteral("300字を超えた分は使われません。いくつか消してください。"),
                                SettingsFont::make(11), [] { return ScreenColors::red(); });
    warning_->setWrapping(true);
    add(warning_);
    tooLong_ = new PaletteLabel(QStringLiteral("2000字を超えているので保存できません。いくつか消してください。"),
                                SettingsFont::make(11), [] { return ScreenColors::red(); });
    tooLong_->setWrapping(true);
    add(tooLong_);

    presets_ = new OccupationPresetButtons(model);
    add(presets_);

    BetaSettingsModel* saver = &model;
    bar_ = new SaveRevertBar([saver] { saver->saveVocabulary(); },
                             [saver] { saver->setVocabularyText(revertedText(saver->savedVocabulary())); });
    add(bar_);

    refresh();
    watchModel(this, model, [this] { refresh(); });
}

void VocabEditor::refresh() {
    const QString text = model_.vocabularyText();
    textBox_->refresh();
    words_->setText(QString::number(wordCount(text)) + QStringLiteral("語"));
    characters_->setText(QString::number(characterCount(text)) + QStringLiteral("/300字"));
    characters_->refreshColor();
    warning_->setVisible(isOverBudget(text));
    const bool tooLong = model_.vocabularyTooLong();
    tooLong_->setVisible(tooLong);
    bar_->setState(model_.vocabularyIsDirty(), model_.vocabularyChangeSummary(), model_.vocabularyChanges(), !tooLong);
}

void VocabEditor::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    // The navigation builds a page afresh each time it shows it, so the first show is the
    // appearance; the window coming back over the same page is not.
    if (appeared_) return;
    appeared_ = true;
    if (syncOnAppear_) syncOnAppear_();
}

QWidget* makeVocabularyScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext& context) {
    return new VocabEditor(model, context.syncOnAppear);
}
