#include "onboarding/OnboardingLongTalkDemo.h"

#include <algorithm>

const QString& OnboardingLongTalkDemo::transcript() {
    static const QString text = QStringLiteral(
        "本日の定例です。まず先週の数字から。売上は前週比で増えていて、要因は新規のお客さまが多かったこと。"
        "次に来週の予定ですが、水曜に展示会の打ち合わせがあります。資料は月曜までに共有します。");
    return text;
}

int OnboardingLongTalkDemo::revealedCharacters(int seconds) {
    const int length = int(transcript().size());
    // s / 300 × 1.3 × 92 in whole numbers, so no rounding error moves a boundary.
    return std::clamp(int(qint64(std::max(seconds, 0)) * 13 * length / 3000), 0, length);
}

QString OnboardingLongTalkDemo::clockText(int seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

OnboardingLongTalkDemo::~OnboardingLongTalkDemo() { stop(); }

void OnboardingLongTalkDemo::start() {
    stop();
    seconds_ = 0;
    tick_ = MainQueue::every(kTickSeconds, [this] { step(); });
}

void OnboardingLongTalkDemo::stop() {
    MainQueue::cancel(tick_);
    restart_.stop();
}

void OnboardingLongTalkDemo::step() {
    seconds_ = std::min(seconds_ + kSecondsPerTick, kLimitSeconds);
    if (seconds_ >= kLimitSeconds) {
        MainQueue::cancel(tick_);
        restart_.after(kRestartSeconds, [this] { start(); });
    }
    if (onTick) onTick(seconds_);
}
