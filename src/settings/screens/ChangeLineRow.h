#pragma once

#include "settings/VocabularyPreview.h"

#include <QWidget>

class PaletteLabel;
class QLabel;

// One line of the pending changes under a save bar: "＋：" and the added entry in green, "−：" and
// the removed entry in the secondary colour, a replacement as "old→new" (green when the new entry
// is at least as long, secondary when it is shorter), and the closing "ほか N件" line without a
// sign. The entry is kept to one line and cut in the middle.
class ChangeLineRow : public QWidget {
    Q_OBJECT
public:
    explicit ChangeLineRow(const VocabChange& change, QWidget* parent = nullptr);

    const VocabChange& change() const { return change_; }
    // The sign ("＋：", "−：") or empty for the closing line.
    QString sign() const { return sign(change_); }
    // The entry as shown in full (before cutting).
    QString lineText() const { return lineText(change_); }
    QColor color() const;
    // The entry as drawn at the current width.
    QString shownText() const;

    static QString sign(const VocabChange& change);
    static QString lineText(const VocabChange& change);
    // Whether the line is drawn in green (otherwise in the secondary colour).
    static bool isGreen(const VocabChange& change);
    static QColor green();

protected:
    void changeEvent(QEvent* event) override;

private:
    VocabChange change_;
    PaletteLabel* sign_ = nullptr;
    QWidget* text_ = nullptr;
};
