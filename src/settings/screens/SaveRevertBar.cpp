#include "settings/screens/SaveRevertBar.h"

#include "settings/screens/ChangeLineRow.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QVBoxLayout>

SaveRevertBar::SaveRevertBar(Action onSave, Action onRevert, QWidget* parent)
    : QWidget(parent), onSave_(std::move(onSave)), onRevert_(std::move(onRevert)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(6);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    save_ = new QPushButton(QStringLiteral("保存"), this);
    save_->setDefault(true);
    save_->setAutoDefault(false);
    // The shortcut belongs to the button: it works only while the button is enabled and shown.
    save_->setShortcut(QKeySequence::Save);
    revert_ = new QPushButton(QStringLiteral("元に戻す"), this);
    revert_->setAutoDefault(false);
    // The actions may rebuild the page the bar lives on: run copies.
    connect(save_, &QPushButton::clicked, this, [this] {
        const Action action = onSave_;
        if (dirty_ && canSave_ && action) action();
    });
    connect(revert_, &QPushButton::clicked, this, [this] {
        const Action action = onRevert_;
        if (dirty_ && action) action();
    });
    notice_ = new PaletteLabel(QString(), SettingsFont::make(11), [] { return Palette::systemOrange(); }, this);
    notice_->setWrapping(true);
    buttons->addWidget(save_);
    buttons->addWidget(revert_);
    buttons->addWidget(notice_, 1);
    // Takes the rest of the line while the notice is hidden, so the buttons stay at the leading edge.
    buttons->addStretch(0);
    save_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    revert_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addLayout(buttons);

    lines_ = new QWidget(this);
    linesLayout_ = new QVBoxLayout(lines_);
    linesLayout_->setContentsMargins(2, 0, 0, 0);
    linesLayout_->setSpacing(3);
    layout->addWidget(lines_);

    setState(false, QString(), {});
}

QString SaveRevertBar::noticeText(const QString& summary) {
    const QString notice = QStringLiteral("まだ保存されていません");
    if (summary.isEmpty()) return notice;
    return notice + QStringLiteral("（") + summary + QStringLiteral("）");
}

void SaveRevertBar::setState(bool isDirty, const QString& summary, const QList<VocabChange>& changes, bool canSave) {
    dirty_ = isDirty;
    canSave_ = canSave;
    save_->setEnabled(isDirty && canSave);
    revert_->setEnabled(isDirty);
    notice_->setText(noticeText(summary));
    notice_->setVisible(isDirty);
    const QList<VocabChange> shown = isDirty ? changes : QList<VocabChange>();
    if (shown != changes_) {
        while (QLayoutItem* item = linesLayout_->takeAt(0)) {
            if (QWidget* widget = item->widget()) {
                widget->hide();
                widget->deleteLater();
            }
            delete item;
        }
        for (const VocabChange& change : shown) linesLayout_->addWidget(new ChangeLineRow(change, lines_));
        changes_ = shown;
    }
    lines_->setVisible(!shown.isEmpty());
}

QList<ChangeLineRow*> SaveRevertBar::changeRows() const {
    QList<ChangeLineRow*> rows;
    for (int i = 0; i < linesLayout_->count(); ++i) {
        if (auto* row = qobject_cast<ChangeLineRow*>(linesLayout_->itemAt(i)->widget())) rows.append(row);
    }
    return rows;
}
