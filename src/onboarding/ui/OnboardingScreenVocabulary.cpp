#include "onboarding/ui/OnboardingScreenVocabulary.h"

#include "onboarding/ui/OnboardingCard.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QLabel>

namespace {
const char16_t kReading[] = u"じぇいきゅーえむ";
const char16_t kRest[] = u"の件です";
const char16_t kSpelling[] = u"JQM";
// The mark of the reading that is about to be replaced.
const QColor kMarkColor = QColor::fromRgbF(1.0f, 0.42f, 0.36f);

QString span(const QString& text, const QColor& color, const QString& style = {}) {
    return QStringLiteral("<span style=\"color:%1;%2\">%3</span>")
        .arg(color.name(QColor::HexRgb), style, text.toHtmlEscaped());
}
}  // namespace

OnboardingScreenViews OnboardingScreenVocabulary::makeViews(OnboardingV2Window&) {
    demo_.stop();
    QLabel* caption = onboardingBodyLabel(QStringLiteral("社名や専門用語が、正しい表記で入る。"), 14, QFont::Normal,
                                          OnboardingV2Palette::secondaryText());
    const OnboardingCard card =
        onboardingCard(QString::fromUtf16(kReading) + QString::fromUtf16(kRest), Qt::AlignLeft, 384, 56, 15);
    bubbleLabel_ = card.label;
    return {{}, QStringLiteral("よく使う言葉を、覚える。"), {caption, card.card}};
}

void OnboardingScreenVocabulary::onShow(OnboardingV2Window&) {
    demo_.onState = [this](OnboardingVocabularyDemo::State state) { showState(state); };
    demo_.start();
}

void OnboardingScreenVocabulary::onLeave() { demo_.stop(); }

void OnboardingScreenVocabulary::showState(OnboardingVocabularyDemo::State state) {
    if (!bubbleLabel_) return;
    const QString reading = QString::fromUtf16(kReading);
    const QString rest = QString::fromUtf16(kRest);
    switch (state) {
    case OnboardingVocabularyDemo::State::plain:
        bubbleLabel_->setTextFormat(Qt::PlainText);
        bubbleLabel_->setText(reading + rest);
        break;
    case OnboardingVocabularyDemo::State::marked:
        bubbleLabel_->setTextFormat(Qt::RichText);
        bubbleLabel_->setText(span(reading, kMarkColor, QStringLiteral("text-decoration:underline;")) +
                              span(rest, OnboardingV2Palette::text()));
        break;
    case OnboardingVocabularyDemo::State::spelled:
        bubbleLabel_->setTextFormat(Qt::RichText);
        bubbleLabel_->setText(span(QString::fromUtf16(kSpelling), OnboardingV2Palette::accent(),
                                   QStringLiteral("font-weight:bold;")) +
                              span(QStringLiteral(" ") + rest, OnboardingV2Palette::text()));
        break;
    }
}
