// The onboarding's self-running demos on virtual time.
#include "onboarding/OnboardingLongTalkDemo.h"
#include "onboarding/OnboardingSwitchKeysDemo.h"
#include "onboarding/OnboardingToneDemo.h"
#include "onboarding/OnboardingVocabularyDemo.h"
#include "platform/fake/FakeMainQueue.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

TEST(OnboardingDemosTest, ToneRestsFadesAndCyclesThroughTheThreeRegisters) {
    FakeMainQueue queue;
    OnboardingToneDemo tone;
    // Every event with its time since the start: fades as (opacity, seconds), changes as (-1, index).
    std::vector<std::tuple<double, double, double>> events;
    const double t0 = queue.uptime();
    tone.onFade = [&](double opacity, double seconds) { events.emplace_back(queue.uptime() - t0, opacity, seconds); };
    tone.onChange = [&](int index) { events.emplace_back(queue.uptime() - t0, -1, index); };
    tone.start();
    queue.advance(2.39);
    EXPECT_TRUE(events.empty());
    queue.advance(8.1 - 2.39 + 0.01);
    const std::vector<std::tuple<double, double, double>> expected{
        {2.4, 0, 0.3}, {2.7, -1, 1}, {2.7, 1, 0.3},  // rest 2.4 s, fade out 0.3 s, next sentence fades in
        {5.1, 0, 0.3}, {5.4, -1, 2}, {5.4, 1, 0.3},
        {7.8, 0, 0.3}, {8.1, -1, 0}, {8.1, 1, 0.3},  // and round again
    };
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(std::get<0>(events[i]), std::get<0>(expected[i]), 1e-6) << i;
        EXPECT_EQ(std::get<1>(events[i]), std::get<1>(expected[i])) << i;
        EXPECT_NEAR(std::get<2>(events[i]), std::get<2>(expected[i]), 1e-9) << i;
    }

    tone.stop();
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST(OnboardingDemosTest, LongTalkClockStopsAtFiveMinutesAndRestartsAfterItsPause) {
    EXPECT_EQ(OnboardingLongTalkDemo::revealedCharacters(70), 27);
    EXPECT_EQ(OnboardingLongTalkDemo::revealedCharacters(231), 92);
    EXPECT_EQ(OnboardingLongTalkDemo::transcript().size(), 92);

    FakeMainQueue queue;
    OnboardingLongTalkDemo talk;
    std::vector<int> ticks;
    talk.onTick = [&](int seconds) { ticks.push_back(seconds); };
    talk.start();
    queue.advance(0.09 * 43 + 0.01);
    ASSERT_EQ(ticks.size(), 43u);
    EXPECT_EQ(ticks[0], 7);
    EXPECT_EQ(ticks[41], 294);
    EXPECT_EQ(ticks[42], 300);  // not 301
    EXPECT_EQ(OnboardingLongTalkDemo::clockText(ticks[42]), QStringLiteral("5:00"));
    queue.advance(2.4);  // resting at 5:00
    EXPECT_EQ(ticks.size(), 43u);
    queue.advance(0.1 + 0.09);  // restarted from zero
    ASSERT_EQ(ticks.size(), 44u);
    EXPECT_EQ(OnboardingLongTalkDemo::clockText(ticks.back()), QStringLiteral("0:07"));

    talk.stop();
    EXPECT_FALSE(talk.isRunning());
    EXPECT_EQ(queue.pendingTimers(), 0u);
    // Stopped during the pause: no restart comes.
    talk.start();
    queue.advance(4);
    talk.stop();
    queue.advance(5);
    EXPECT_EQ(talk.seconds(), 300);
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST(OnboardingDemosTest, VocabularyCardGoesPlainMarkedSpelledAndAgain) {
    using State = OnboardingVocabularyDemo::State;
    FakeMainQueue queue;
    OnboardingVocabularyDemo vocabulary;
    std::vector<State> states;
    vocabulary.onState = [&](State state) { states.push_back(state); };
    vocabulary.start();
    EXPECT_EQ(states, std::vector<State>{State::plain});
    queue.advance(1.59);
    EXPECT_EQ(vocabulary.state(), State::plain);
    queue.advance(0.02);
    EXPECT_EQ(vocabulary.state(), State::marked);
    queue.advance(1.3);  // 2.91
    EXPECT_EQ(vocabulary.state(), State::spelled);
    queue.advance(2.58);  // 5.49
    EXPECT_EQ(vocabulary.state(), State::spelled);
    queue.advance(0.02);  // one cycle is 5.5 s
    EXPECT_EQ(states, (std::vector<State>{State::plain, State::marked, State::spelled, State::plain}));
    vocabulary.stop();
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST(OnboardingDemosTest, SwitchKeysAlternateQualityAndStyleSteps) {
    FakeMainQueue queue;
    OnboardingSwitchKeysDemo demo;
    std::vector<int> quality, style;
    demo.onQualityStep = [&](int chip) { quality.push_back(chip); };
    demo.onStyleStep = [&](int chip) { style.push_back(chip); };
    demo.start();
    EXPECT_EQ(demo.qualityChip(), 1);  // High
    EXPECT_EQ(demo.styleChip(), 0);    // 上司に
    queue.advance(1.61);
    EXPECT_EQ(quality, std::vector<int>{2});  // ↑: High → Max
    EXPECT_TRUE(style.empty());
    queue.advance(1.6);
    EXPECT_EQ(style, std::vector<int>{1});  // →: 上司に → 友だちに
    queue.advance(1.6 * 4);  // six steps: both rows are back where they began
    EXPECT_EQ(quality, (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(style, (std::vector<int>{1, 2, 0}));

    // Leaving and coming back starts both rows afresh.
    demo.stop();
    EXPECT_EQ(queue.pendingTimers(), 0u);
    demo.start();
    queue.advance(1.61);
    EXPECT_EQ(quality.back(), 2);
    demo.stop();
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

}  // namespace
