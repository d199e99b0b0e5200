#pragma once

#include "settings/VocabularyPreview.h"

#include <QList>
#include <QWidget>
#include <functional>

class ChangeLineRow;
class PaletteLabel;
class QPushButton;
class QVBoxLayout;

// The bar under a text that is saved on request (the style note, the vocabulary, the correction
// rules): "保存" (also Ctrl+S) and "元に戻す", enabled only while the text differs from the saved
// one, the orange notice "まだ保存されていません" with an optional summary, and the pending change
// lines. The bar decides nothing: the page hands it the state after every change of the model,
// and the two actions change the model, which hands back the new state.
class SaveRevertBar : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    SaveRevertBar(Action onSave, Action onRevert, QWidget* parent = nullptr);

    // The state to show: whether the text is unsaved, the summary put in parentheses after the
    // notice (may be empty) and the change lines (shown only while unsaved). `canSave` false
    // keeps the save button (and its shortcut) off while the text is unsaved: the page says why.
    void setState(bool isDirty, const QString& summary, const QList<VocabChange>& changes, bool canSave = true);

    bool isDirty() const { return dirty_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* revertButton() const { return revert_; }
    // Hidden while the text is saved.
    PaletteLabel* notice() const { return notice_; }
    // The change lines shown; empty while the list is hidden.
    QList<ChangeLineRow*> changeRows() const;

    // The notice for a summary.
    static QString noticeText(const QString& summary);

private:
    Action onSave_;
    Action onRevert_;
    bool dirty_ = false;
    bool canSave_ = true;
    QList<VocabChange> changes_;
    QPushButton* save_ = nullptr;
    QPushButton* revert_ = nullptr;
    PaletteLabel* notice_ = nullptr;
    QWidget* lines_ = nullptr;
    QVBoxLayout* linesLayout_ = nullptr;
};
