#include "recognition/TranscriptFilter.h"

#include "core/Graphemes.h"

#include <QRegularExpression>
#include <QStringList>

namespace TranscriptFilter {

namespace {

// Any character but a line break, counted in code points (the expressions run in UTF mode).
#define ANY_BUT_BREAK "[^\\n\\r\\x{0B}\\x{0C}\\x{85}\\x{2028}\\x{2029}]"

const QRegularExpression& captionPattern() {
    static const QRegularExpression re(QStringLiteral("^[\\[(（【]" ANY_BUT_BREAK "{0,20}[\\])）】]$"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

const QRegularExpression& punctuationPattern() {
    static const QRegularExpression re(QStringLiteral("^[♪。、.,\\s]+$"), QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

const QRegularExpression& repeatPattern() {
    static const QRegularExpression re(QStringLiteral("(" ANY_BUT_BREAK ")\\1{7,}"), QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

const QStringList& stockPhrases() {
    static const QStringList list = {
        QStringLiteral("ご視聴ありがとうございました"), QStringLiteral("ご清聴ありがとうございました"),
        QStringLiteral("チャンネル登録"), QStringLiteral("字幕視聴"), QStringLiteral("Thanks for watching"),
        QStringLiteral("ありがとうございました"), QStringLiteral("ありがとうございます"),
    };
    return list;
}

const QStringList& closingWords() {
    static const QStringList list = {QStringLiteral("終わり"), QStringLiteral("おわり"), QStringLiteral("オワリ"), QStringLiteral("終")};
    return list;
}

QString trimEdges(const QString& text) {
    static const QString edge = QStringLiteral("。.!！?？ 　");
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && edge.contains(text.at(start))) ++start;
    while (end > start && edge.contains(text.at(end - 1))) --end;
    return text.mid(start, end - start);
}

}  // namespace

bool isNoise(const QString& text) {
    const QString t = text.trimmed();
    if (captionPattern().match(t).hasMatch()) return true;
    if (punctuationPattern().match(t).hasMatch()) return true;
    if (repeatPattern().match(t).hasMatch()) return true;
    const QString u = trimEdges(t);
    if (stockPhrases().contains(u)) return true;
    if (Graphemes::count(t) < 40) {
        for (const QString& phrase : stockPhrases()) {
            if (t.contains(phrase)) return true;
        }
    }
    return closingWords().contains(u);
}

}  // namespace TranscriptFilter
