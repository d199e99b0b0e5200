#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One line of the preview shown before the vocabulary or the corrections list is saved.
struct VocabChange {
    enum class Kind { added, removed, replaced, more };

    Kind kind = Kind::added;
    QString oldText;  // the saved entry; empty for an added entry and for the `more` line
    QString newText;  // the edited entry; empty for a removed entry; the text of the `more` line

    bool operator==(const VocabChange&) const = default;
};

// What saving an edited list would change: the entries added and removed (counted as multisets,
// compared exactly), a short list of lines for the save bar and a one-line count.
namespace VocabularyPreview {

// The lines shown at most before the rest is summed up in one `more` line.
inline constexpr int kMaxLines = 8;
// Pairing of removed with added words is tried only when neither side has more entries than this.
inline constexpr int kMaxPairing = 3;

// Vocabulary words: split at ",", "、", "，" and line feeds; each piece trimmed of blanks (spaces,
// the ideographic space, tabs); empty pieces dropped; order and duplicates kept.
QStringList splitWordList(const QString& text);
// Correction rules: one per line (any line break), trimmed of blanks, empty lines dropped.
QStringList splitCorrectionLines(const QString& text);

struct Difference {
    QStringList added;    // edited entries beyond the saved ones, in edited order
    QStringList removed;  // saved entries the edited list no longer has, in saved order
};
Difference difference(const QStringList& saved, const QStringList& edited);

// "+N", "−M" (U+2212), "+N −M", or "" when nothing changed.
QString summary(const Difference& difference);

// The preview lines: with `pairing`, removed words that resemble an added one become `replaced`
// lines; then the added lines, then the removed ones; cut after kMaxLines with a `more` line.
QList<VocabChange> changes(const Difference& difference, bool pairing);

// Vocabulary and corrections, from the saved text to the edited one.
QList<VocabChange> vocabularyChanges(const QString& saved, const QString& edited);
QString vocabularyChangeSummary(const QString& saved, const QString& edited);
QList<VocabChange> correctionsChanges(const QString& saved, const QString& edited);
QString correctionsChangeSummary(const QString& saved, const QString& edited);


}  // namespace VocabularyPreview
