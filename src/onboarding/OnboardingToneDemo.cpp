#include "onboarding/OnboardingToneDemo.h"

#include <array>

namespace {
struct Sample {
    const char16_t* chip;
    const char16_t* sentence;
};
constexpr std::array<Sample, OnboardingToneDemo::kCount> kSamples{{
    {u"上司に", u"明日の件ですが、10時への変更をお願いできますでしょうか。"},
    {u"友だちに", u"明日の件さ、10時に変更でお願い！"},
    {u"そのまま", u"明日の件、10時に変更でお願いします"},
}};
}  // namespace

QString OnboardingToneDemo::chipTitle(int index) {
    return QString::fromUtf16(kSamples[size_t(((index % kCount) + kCount) % kCount)].chip);
}

QString OnboardingToneDemo::sample(int index) {
    return QString::fromUtf16(kSamples[size_t(((index % kCount) + kCount) % kCount)].sentence);
}

void OnboardingToneDemo::start() {
    stop();
    index_ = 0;
    loop_.after(kStepSeconds, [this] { fadeOut(); });
}

void OnboardingToneDemo::stop() { loop_.stop(); }

void OnboardingToneDemo::fadeOut() {
    if (onFade) onFade(0, kFadeSeconds);
    // The fade's end brings the next sentence.
    loop_.after(kFadeSeconds, [this] { advance(); });
}

void OnboardingToneDemo::advance() {
    index_ = (index_ + 1) % kCount;
    if (onChange) onChange(index_);
    if (onFade) onFade(1, kFadeSeconds);
    loop_.after(kStepSeconds, [this] { fadeOut(); });
}
