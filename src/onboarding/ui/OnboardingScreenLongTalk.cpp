#include "onboarding/ui/OnboardingScreenLongTalk.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingGrowingBubble.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingStackView.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingWaveformView.h"

#include <QLabel>

OnboardingScreenViews OnboardingScreenLongTalk::makeViews(OnboardingV2Window&) {
    demo_.stop();
    QLabel* caption = onboardingBodyLabel(QStringLiteral("1回に5分まで。議事録も、そのまま。"), 14, QFont::Normal,
                                          OnboardingV2Palette::secondaryText());
    QLabel* clock = onboardingLabel(OnboardingLongTalkDemo::clockText(0), onboardingFont(34, QFont::Bold),
                                    OnboardingV2Palette::text(), nullptr);
    clock->setAlignment(Qt::AlignCenter);
    clock->adjustSize();
    clock->resize(384, clock->height());
    timerLabel_ = clock;
    auto* waveform = new OnboardingWaveformView(11, 132);
    auto* bubble = new OnboardingGrowingBubble(320, 96);
    bubble_ = bubble;
    auto* stack = new OnboardingStackView({clock, waveform, bubble}, 8, 384);
    return {{}, QStringLiteral("長く、話せる。"), {caption, stack}};
}

void OnboardingScreenLongTalk::onShow(OnboardingV2Window&) {
    demo_.onTick = [this](int seconds) {
        if (timerLabel_) timerLabel_->setText(OnboardingLongTalkDemo::clockText(seconds));
        if (bubble_)
            bubble_->setText(OnboardingLongTalkDemo::transcript().left(OnboardingLongTalkDemo::revealedCharacters(seconds)));
    };
    demo_.start();
}

void OnboardingScreenLongTalk::onLeave() { demo_.stop(); }
