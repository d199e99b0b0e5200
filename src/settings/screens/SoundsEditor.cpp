#include "settings/screens/SoundsEditor.h"

#include "platform/Sounds.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QToolButton>

const QStringList& SoundsEditor::choices() {
    static const QStringList all = QStringList{Sounds::none()} + Sounds::names();
    return all;
}

const QStringList& SoundsEditor::momentLabels() {
    static const QStringList labels{QStringLiteral("録音を始めた時"), QStringLiteral("送信した時"),
                                    QStringLiteral("文字が入った時"), QStringLiteral("失敗した時")};
    return labels;
}

QString SoundsEditor::shownSound(const QStringList& sounds, int moment) {
    return moment >= 0 && moment < sounds.size() ? sounds.at(moment) : Sounds::none();
}

SoundsEditor::SoundsEditor(BetaSettingsModel& model, Preview player, QWidget* parent)
    : EditorPage(12, parent), model_(model), preview_(std::move(player)) {
    const auto secondary = [] { return Palette::systemSecondary(); };
    auto* intro = new PaletteLabel(QStringLiteral("話しはじめ・送ったとき・文字が入ったときに、短い音を鳴らします。"),
                                   SettingsFont::make(12), secondary);
    intro->setWrapping(true);
    add(intro);

    for (int moment = 0; moment < momentLabels().size(); ++moment) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        auto* label = new PaletteLabel(momentLabels().at(moment), SettingsFont::make(13), [] { return Palette::text(); });
        label->setFixedWidth(120);
        row->addWidget(label, 0, Qt::AlignVCenter);

        auto* picker = new QComboBox;
        picker->addItems(choices());
        picker->setFixedWidth(160);
        // The window's own font, in the closed picker and in its list.
        picker->setFont(SettingsFont::make(13));
        picker->view()->setFont(SettingsFont::make(13));
        picker->setAccessibleName(momentLabels().at(moment));
        // Only the user's own choice writes; showing the stored value does not.
        connect(picker, &QComboBox::activated, this, [this, picker, moment](int index) {
            if (index >= 0) model_.setSound(picker->itemText(index), moment);
            refresh();  // a choice the model refused shows the stored value again
        });
        row->addWidget(picker, 0, Qt::AlignVCenter);
        pickers_.append(picker);

        auto* play = new QToolButton;
        play->setAutoRaise(true);
        play->setFont(SymbolLabel::symbolFont(16));
        play->setText(SymbolLabel::ligature(QStringLiteral("speaker.wave.2.fill")));
        play->setToolTip(QStringLiteral("鳴らしてみる"));
        play->setAccessibleName(QStringLiteral("鳴らしてみる"));
        play->setCursor(Qt::PointingHandCursor);
        // Just the symbol: label, picker and button fit the narrowest window side by side.
        play->setFixedSize(24, 24);
        connect(play, &QToolButton::clicked, this, [this, moment] { this->preview(moment); });
        row->addWidget(play, 0, Qt::AlignVCenter);
        previews_.append(play);
        row->addStretch(1);
        addLayout(row);
    }

    auto* note = new PaletteLabel(QStringLiteral("「なし」を選ぶと、その場面では音が鳴りません。"), SettingsFont::make(11),
                                  secondary);
    note->setWrapping(true);
    add(note);

    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void SoundsEditor::preview(int moment) {
    const QStringList& sounds = model_.sounds();
    if (moment < 0 || moment >= sounds.size()) return;
    const QString name = sounds.at(moment);
    if (name == Sounds::none()) return;
    if (preview_)
        preview_(name);
    else
        model_.playSoundPreview(moment);
}

void SoundsEditor::refresh() {
    for (int moment = 0; moment < pickers_.size(); ++moment) {
        // A name that is not on offer (written from outside) shows as no selection.
        pickers_[moment]->setCurrentIndex(int(choices().indexOf(shownSound(model_.sounds(), moment))));
    }
}

QWidget* makeSoundsScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext& context) {
    return new SoundsEditor(model, context.previewSound);
}
