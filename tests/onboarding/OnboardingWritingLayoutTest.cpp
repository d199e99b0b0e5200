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

TEST(OnboardingWritingLayoutTest, SizesTheLineToTheTextAndTheWidthLimit) {
    // Three full-width characters at 28 points: 3.5 boxes.
    const auto three = OnboardingWritingLayout::make(QStringLiteral("話す人"), true, 28, 384);
    EXPECT_DOUBLE_EQ(three.units, 3.5);
    EXPECT_NEAR(three.width, 105.84, 1e-9);
    EXPECT_NEAR(three.scale, 105.84 / 381.5, 1e-12);
    EXPECT_NEAR(three.height, 37.8, 1e-9);
    EXPECT_NEAR(three.lineWidth, three.scale * 10.5, 1e-12);

    // Too long for the limit: scaled down to exactly the limit, the line width with it.
    const QString longText(20, QChar(u'話'));
    const auto fitted = OnboardingWritingLayout::make(longText, true, 24, 384);
    EXPECT_DOUBLE_EQ(fitted.width, 384);
    EXPECT_NEAR(fitted.scale, 384 / (20.5 * 109), 1e-12);
    EXPECT_NEAR(fitted.lineWidth, fitted.scale * 11, 1e-12);

    // Advances: space, ASCII letters and digits, everything else; by grapheme clusters.
    EXPECT_DOUBLE_EQ(OnboardingWritingLayout::make(QStringLiteral("a 1"), true, 24, 999).units, 0.5 + 0.72 + 0.4 + 0.72);
    EXPECT_DOUBLE_EQ(OnboardingWritingLayout::make(QStringLiteral("e\u0301\U0001F600"), true, 24, 999).units, 2.5);
    const auto empty = OnboardingWritingLayout::make(QString(), true, 24, 384);
    EXPECT_DOUBLE_EQ(empty.units, 0.5);
    EXPECT_TRUE(empty.strokes.empty());
    EXPECT_DOUBLE_EQ(empty.finishDelay, 0.08);
    EXPECT_DOUBLE_EQ(OnboardingWritingLayout::make(QStringLiteral("x"), true, 24, 0).width, 1);
}

TEST(OnboardingWritingLayoutTest, StrokesFollowEachOtherAtConstantSpeed) {
    const auto layout = OnboardingWritingLayout::make(QStringLiteral("一 点二x"), true, 24, 999, table());
    ASSERT_EQ(layout.strokes.size(), 4u);
    EXPECT_DOUBLE_EQ(layout.strokes[0].beginMs, 80);
    EXPECT_DOUBLE_EQ(layout.strokes[0].durationMs, 45);
    EXPECT_DOUBLE_EQ(layout.strokes[1].beginMs, 80 + 45 + 8);  // the space costs no time
    EXPECT_DOUBLE_EQ(layout.strokes[1].durationMs, 24);
    EXPECT_DOUBLE_EQ(layout.strokes[2].beginMs, 133 + 24 + 8);
    EXPECT_DOUBLE_EQ(layout.strokes[3].beginMs, 165 + 45 + 8);
    EXPECT_DOUBLE_EQ(layout.finishDelay, (218 + 45 + 8) / 1000.0);

    // Placement: the second character box starts after a quarter box, a full box and a space.
    const double k = layout.scale;
    EXPECT_NEAR(layout.strokes[0].path.elements()[0].to.x(), (27.25 + 10) * k, 1e-9);
    EXPECT_NEAR(layout.strokes[1].path.elements()[0].to.x(), (27.25 + 109 + 0.4 * 109 + 50) * k, 1e-9);

    // Drawn share over time: nothing before its start, eased in between, whole at its end.
    EXPECT_EQ(layout.strokeEnd(0, 80), 0);
    const double quarter = layout.strokeEnd(0, 80 + 45 * 0.25);
    const double half = layout.strokeEnd(0, 80 + 45 * 0.5);
    EXPECT_GT(quarter, 0);
    EXPECT_GT(half, quarter);
    EXPECT_LT(half, 1);
    EXPECT_DOUBLE_EQ(layout.strokeEnd(0, 125), 1);
    EXPECT_EQ(layout.strokeEnd(1, 125), 0);
}

TEST(OnboardingWritingLayoutTest, NarrowCharactersAreCentredAndStaticWritingTakesNoTime) {
    const auto layout = OnboardingWritingLayout::make(QStringLiteral("a"), false, 24, 999, table());
    ASSERT_EQ(layout.strokes.size(), 1u);
    // The 109-unit box is centred on the 0.72 advance.
    EXPECT_NEAR(layout.strokes[0].path.elements()[0].to.x(), (27.25 - 0.28 * 54.5) * layout.scale, 1e-9);
    EXPECT_EQ(layout.finishDelay, 0);
    EXPECT_EQ(layout.strokeEnd(0, 0), 1);
    // An unreadable stroke is skipped, the rest of the character is drawn.
    EXPECT_EQ(OnboardingWritingLayout::make(QStringLiteral("壊"), true, 24, 999, table()).strokes.size(), 1u);
}

TEST(OnboardingAnimationTest, TimingCurveAndKeyframes) {
    using namespace OnboardingAnimation;
    EXPECT_EQ(timingCurve(-1, 0.35, 0.1, 0.35, 1), 0);
    EXPECT_EQ(timingCurve(2, 0.35, 0.1, 0.35, 1), 1);
    EXPECT_NEAR(timingCurve(0.5, 0, 0, 1, 1), 0.5, 1e-9);  // symmetric curve
    double previous = 0;
    for (int i = 1; i <= 20; ++i) {
        const double v = timingCurve(i / 20.0, 0.35, 0.1, 0.35, 1);
        EXPECT_GE(v, previous);
        previous = v;
    }
    const QList<double> times{0, 0.58, 0.64, 0.88, 1};
    const QList<double> values{0, 0, -9, -9, 0};
    EXPECT_EQ(keyframeValue(times, values, 0.3), 0);
    EXPECT_NEAR(keyframeValue(times, values, 0.61), -4.5, 1e-9);
    EXPECT_EQ(keyframeValue(times, values, 0.7), -9);
    EXPECT_NEAR(keyframeValue(times, values, 0.94), -4.5, 1e-9);
    EXPECT_EQ(keyframeValue({}, {}, 0.5), 0);
    EXPECT_LT(repeatingFraction(1, 2, 5), 0);
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
