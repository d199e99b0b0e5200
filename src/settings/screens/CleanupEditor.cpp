#include "settings/screens/CleanupEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/Copy.h"
#include "settings/screens/ListTextBox.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/SaveRevertBar.h"
#include "settings/screens/ScreenColors.h"
#include "settings/screens/ScreenContext.h"
#include "settings/screens/SegmentedPicker.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/ToggleRow.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace {

struct StyleRow {
    QString value;
    QString listTitle;  // shown only when the option texts lack the style
};

const QList<StyleRow>& styleRows() {
    static const QList<StyleRow> rows{
        {QStringLiteral("off"), QStringLiteral("⚡ オフ（喋ったとおり・最速）")},
        {QStringLiteral("standard"), QStringLiteral("✨ 整える（口調はそのまま）")},
        {QStringLiteral("formal"), QStringLiteral("💼 上司モード（敬語・取引先にも）")},
        {QStringLiteral("junior"), QStringLiteral("🫡 部下モード（指示を明確・感じよく）")},
        {QStringLiteral("friend"), QStringLiteral("🤝 友達モード（くだけた口調）")},
        {QStringLiteral("lover"), QStringLiteral("❤️ 恋人モード（やわらかい口調）")},
    };
    return rows;
}

QWidget* stack(int spacing, const QList<QWidget*>& items, QWidget* parent = nullptr) {
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* item : items) layout->addWidget(item);
    return widget;
}

// A switch with its title on one line, without the paddings of a row in a group.
ToggleRow* plainToggle(const QString& title, Binding<bool> binding) {
    auto* toggle = new ToggleRow(title, std::move(binding));
    toggle->layout()->setContentsMargins(0, 0, 0, 0);
    return toggle;
}

PaletteLabel* label(const QString& text, double size, bool semibold = false, bool secondary = false) {
    auto* made = new PaletteLabel(text, semibold ? SettingsFont::semibold(size) : SettingsFont::make(size),
                                  secondary ? PaletteLabel::ColorSource([] { return Palette::systemSecondary(); })
                                            : PaletteLabel::ColorSource([] { return Palette::text(); }));
    made->setWrapping(true);
    return made;
}

}  // namespace

const QList<QString>& CleanupEditor::styleValues() {
    static const QList<QString> values = [] {
        QList<QString> list;
        for (const StyleRow& row : styleRows()) list.append(row.value);
        return list;
    }();
    return values;
}

CleanupEditor::CleanupEditor(BetaSettingsModel& model, QWidget* parent) : EditorPage(12, parent), model_(model) {
    BetaSettingsModel* m = &model_;

    // 1. The style cards: every style has one, from its option texts or, lacking them, its list title.
    QList<QWidget*> cards;
    for (const StyleRow& row : styleRows()) {
        const Copy::Item item = Copy::find(Copy::cleanupStyles(), row.value)
                                    .value_or(Copy::Item{QStringLiteral("textformat"), row.listTitle, QString()});
        auto* card = new PickCard(item, false, [m, value = row.value] { m->setCleanupMode(value); });
        styleCards_.append(card);
        cards.append(card);
    }
    add(stack(OptionCardList::kSpacing, cards));

    // 2. Cleanup of "Low" results.
    lowCleanup_ = plainToggle(QStringLiteral("Low でも文章を整える"),
                              Binding<bool>{[m] { return m->lowCleanupEnabled(); },
                                            [m](bool on) { m->setLowCleanupEnabled(on); }});
    add(stack(6, {lowCleanup_}));

    // 3. The style note, with the heart amount of "lover" under it.
    noteField_ = new ListTextBox(QString(), 84,
                                 Binding<QString>{[m] { return m->styleNote(); },
                                                  [m](const QString& note) { m->setStyleNote(note); }});
    noteField_->placeholder()->setWordWrap(true);
    noteField_->installEventFilter(this);
    saveBar_ = new SaveRevertBar([m] { m->saveStyleNote(); }, [m] { m->setStyleNote(m->savedStyleNote()); });
    tooLong_ = new PaletteLabel(QStringLiteral("2000字を超えているので保存できません。短くしてください。"),
                                SettingsFont::make(11), [] { return ScreenColors::red(); });
    tooLong_->setWrapping(true);
    QWidget* noteStack = stack(
        6, {label(QStringLiteral("あなたらしい書き方をおぼえさせる"), 13, true),
            label(QStringLiteral("よく使う絵文字・口ぐせ・語尾・相手の呼び方などを書いておくと、その書き方に近づきます。書き終えたら「保存」を押します。"),
                  11, false, true),
            noteField_, tooLong_, saveBar_});

    heartRow_ = new QWidget;
    auto* heartLine = new QHBoxLayout(heartRow_);
    heartLine->setContentsMargins(0, 0, 0, 0);
    heartLine->setSpacing(10);
    heartLine->addWidget(label(QStringLiteral("ハートの多さ"), 12));
    heartPicker_ = new SegmentedPicker({{QStringLiteral("控えめ"), QStringLiteral("few")},
                                        {QStringLiteral("ふつう"), QStringLiteral("normal")},
                                        {QStringLiteral("たっぷり"), QStringLiteral("lots")}},
                                       Binding<QString>{[m] { return m->loverHeartLevel(); },
                                                        [m](const QString& level) { m->setLoverHeartLevel(level); }});
    heartPicker_->setFixedWidth(220);
    heartLine->addWidget(heartPicker_);
    heartLine->addStretch(1);

    noteBlock_ = stack(12, {noteStack, heartRow_});
    add(noteBlock_);

    // 4. How the style is decided while dictating.
    modeCards_ = new OptionCardList(
        {{QStringLiteral("永続（従来）"), QStringLiteral("persistent"), QString()},
         {QStringLiteral("一時（送信時だけ）"), QStringLiteral("session"), QString()}},
        Copy::modeSelectStyles(),
        Binding<QString>{[m] { return m->modeSelectStyle(); },
                         [m](const QString& style) { m->setModeSelectStyle(style); }});
    gesture_ = plainToggle(QStringLiteral("マウスを動かしても選べるようにする"),
                           Binding<bool>{[m] { return m->gestureSelect(); },
                                         [m](bool on) { m->setGestureSelect(on); }});
    // A switch that cannot be used is drawn faded (the switch itself looks the same either way).
    auto* fade = new QGraphicsOpacityEffect(gesture_);
    gesture_->setGraphicsEffect(fade);
    gestureNote_ = label(QStringLiteral("これを使うには、「キーの使いかた」で「押している間だけ話す」を選んでください。"), 11,
                         false, true);
    add(stack(7, {label(QStringLiteral("決め方"), 13, true), modeCards_, gesture_, gestureNote_}));

    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void CleanupEditor::refresh() {
    const QString mode = model_.cleanupMode();
    for (int i = 0; i < styleCards_.size(); ++i) styleCards_[i]->setSelected(styleValues()[i] == mode);
    lowCleanup_->refresh();

    const bool on = mode != QLatin1String("off");
    noteBlock_->setVisible(on);
    const QString hint = Copy::styleHint(mode).value_or(QString());
    if (noteField_->placeholder()->text() != hint) {
        noteField_->placeholder()->setText(hint);
        fitPlaceholder();
    }
    noteField_->refresh();
    const bool tooLong = model_.styleNoteTooLong();
    tooLong_->setVisible(tooLong);
    saveBar_->setState(model_.styleNoteIsDirty(), QString(), {}, !tooLong);
    heartRow_->setVisible(on && mode == QLatin1String("lover"));
    heartPicker_->refresh();

    modeCards_->refresh();
    const bool perSend = model_.modeSelectStyle() == QLatin1String("session");
    gesture_->setVisible(perSend);
    gesture_->setEnabled(model_.holdToTalk());
    if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(gesture_->graphicsEffect()))
        fade->setOpacity(model_.holdToTalk() ? 1.0 : OptionCardList::kDisabledOpacity);
    gesture_->refresh();
    gestureNote_->setVisible(perSend && !model_.holdToTalk());
}

bool CleanupEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == noteField_ && event->type() == QEvent::Resize) fitPlaceholder();
    return EditorPage::eventFilter(watched, event);
}

void CleanupEditor::fitPlaceholder() {
    PaletteLabel* placeholder = noteField_->placeholder();
    const int width = std::max(0, noteField_->width() - 2 * ListTextBox::kPlaceholderInsetX);
    const int height = std::min(placeholder->heightForWidth(width),
                                std::max(0, noteField_->height() - 2 * ListTextBox::kPlaceholderInsetY));
    placeholder->setGeometry(ListTextBox::kPlaceholderInsetX, ListTextBox::kPlaceholderInsetY, width, height);
}

QWidget* makeCleanupScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext&) {
    return new CleanupEditor(model);
}
