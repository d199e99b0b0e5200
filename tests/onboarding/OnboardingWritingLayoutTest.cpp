#include "onboarding/OnboardingAnimation.h"
#include "onboarding/OnboardingLoop.h"
#include "onboarding/OnboardingWritingLayout.h"
#include "platform/fake/FakeMainQueue.h"

#include <gtest/gtest.h>

namespace {

QHash<QString, QStringList> table() {
    return {
        {QStringLiteral("一"), {QStringLiteral("M10,50L109,50")}},  // 99 units: 45 ms
        {QStringLiteral("点"), {QStringLiteral("M50,50L60,50")}},   // 10 units: the 24 ms minimum
        {QStringLiteral("二"), {QStringLiteral("M10,30L109,30"), QStringLiteral("M10,70L109,70")}},
        {QStringLiteral("a"), {QStringLiteral("M0,0L10,0")}},
        {QStringLiteral("壊"), {QStringLiteral("h10"), QStringLiteral("M0,0L10,0")}},
    };
}

TEST(OnboardingWritingLayoutTest, ALongLineShrinksToTheLimitAndStrokesFollowEachOtherInOrder) {
    const auto three = OnboardingWritingLayout::make(QStringLiteral("話す人"), true, 28, 384);
    const auto fitted = OnboardingWritingLayout::make(QString(20, QChar(u'話')), true, 28, 384);
    EXPECT_LT(three.width, 384);
    EXPECT_DOUBLE_EQ(fitted.width, 384);
    EXPECT_LT(fitted.lineWidth, three.lineWidth);  // the pen shrinks with the line
    // Grapheme clusters, not code units: an accented letter and an emoji are two characters.
    EXPECT_DOUBLE_EQ(OnboardingWritingLayout::make(QStringLiteral("e\u0301\U0001F600"), true, 24, 999).units,
                     OnboardingWritingLayout::make(QStringLiteral("話話"), true, 24, 999).units);

    const auto layout = OnboardingWritingLayout::make(QStringLiteral("一 点二x"), true, 24, 999, table());
    ASSERT_EQ(layout.strokes.size(), 4u);  // "x" has no strokes
    for (size_t i = 1; i < layout.strokes.size(); ++i) {
        EXPECT_GT(layout.strokes[i].beginMs, layout.strokes[i - 1].beginMs + layout.strokes[i - 1].durationMs);
        EXPECT_GT(layout.strokes[i].path.elements()[0].to.x(), layout.strokes[0].path.elements()[0].to.x());
    }
    EXPECT_GT(layout.strokes[0].durationMs, layout.strokes[1].durationMs);  // constant speed: the longer takes longer
    EXPECT_GT(layout.finishDelay * 1000, layout.strokes[3].beginMs + layout.strokes[3].durationMs);
    const double begin = layout.strokes[0].beginMs, end = begin + layout.strokes[0].durationMs;
    EXPECT_EQ(layout.strokeEnd(0, begin), 0);
    EXPECT_GT(layout.strokeEnd(0, (begin + end) / 2), 0);
    EXPECT_LT(layout.strokeEnd(0, (begin + end) / 2), 1);
    EXPECT_DOUBLE_EQ(layout.strokeEnd(0, end), 1);
    EXPECT_EQ(layout.strokeEnd(1, end), 0);
}

TEST(OnboardingWritingLayoutTest, StaticWritingTakesNoTimeAndABrokenStrokeIsSkipped) {
    const auto layout = OnboardingWritingLayout::make(QStringLiteral("a"), false, 24, 999, table());
    EXPECT_EQ(layout.finishDelay, 0);
    EXPECT_EQ(layout.strokeEnd(0, 0), 1);
    EXPECT_EQ(OnboardingWritingLayout::make(QStringLiteral("壊"), true, 24, 999, table()).strokes.size(), 1u);
    EXPECT_TRUE(OnboardingWritingLayout::make(QString(), true, 24, 384).strokes.empty());
}

TEST(OnboardingAnimationTest, CurvesStayInRangeAndKeyframesInterpolate) {
    using namespace OnboardingAnimation;
    EXPECT_EQ(timingCurve(-1, 0.35, 0.1, 0.35, 1), 0);
    EXPECT_EQ(timingCurve(2, 0.35, 0.1, 0.35, 1), 1);
    double previous = 0;
    for (int i = 1; i <= 20; ++i) {
        const double v = timingCurve(i / 20.0, 0.35, 0.1, 0.35, 1);
        EXPECT_GE(v, previous);
        previous = v;
    }
    const QList<double> times{0, 0.58, 0.64, 0.88, 1};
    const QList<double> values{0, 0, -9, -9, 0};
    EXPECT_NEAR(keyframeValue(times, values, 0.61), -4.5, 1e-9);
    EXPECT_EQ(keyframeValue(times, values, 0.7), -9);
    EXPECT_EQ(keyframeValue({}, {}, 0.5), 0);
    EXPECT_NEAR(repeatingFraction(13, 2, 5), 0.2, 1e-12);
}

TEST(OnboardingLoopTest, StepsRunOnceAfterTheirDelayAndStopCancelsAllPending) {
    FakeMainQueue queue;
    OnboardingLoop loop;
    QStringList ran;
    // A demo that schedules its next step from each step.
    std::function<void()> step = [&] {
        ran.append(QStringLiteral("step"));
        if (ran.size() < 3) loop.after(1.6, step);
    };
    loop.after(1.6, step);
    queue.advance(1.5);
    EXPECT_TRUE(ran.isEmpty());
    queue.advance(0.1);
    EXPECT_EQ(ran.size(), 1);
    queue.advance(10);
    EXPECT_EQ(ran.size(), 3);
    EXPECT_FALSE(loop.isPending());

    // Two pending steps: stopping the loop cancels both, not only the latest.
    ran.clear();
    loop.after(1, [&] { ran.append(QStringLiteral("a")); });
    loop.after(2, [&] { ran.append(QStringLiteral("b")); });
    EXPECT_TRUE(loop.isPending());
    loop.stop();
    queue.advance(5);
    EXPECT_TRUE(ran.isEmpty());

    // A loop that goes away takes its steps with it.
    {
        OnboardingLoop shortLived;
        shortLived.after(1, [&] { ran.append(QStringLiteral("gone")); });
    }
    queue.advance(5);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

}  // namespace
