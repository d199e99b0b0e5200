// The onboarding's self-running demos on virtual time.
#include "onboarding/OnboardingLongTalkDemo.h"
#include "onboarding/OnboardingSwitchKeysDemo.h"
#include "onboarding/OnboardingToneDemo.h"
#include "onboarding/OnboardingVocabularyDemo.h"
#include "platform/fake/FakeMainQueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(OnboardingDemosTest, ToneRestsFadesAndCyclesThroughTheThreeRegisters) {
    FakeMainQueue queue;
    OnboardingToneDemo tone;
    std::vector<std::pair<double, int>> changes;
    tone.onChange = [&](int index) { changes.emplace_back(queue.uptime(), index); };
    const double t0 = queue.uptime();
    tone.start();
    queue.advance(2.39);
    EXPECT_EQ(tone.textOpacity(), 1);
    queue.advance(0.16);  // halfway through the fade-out, still the first sentence
    EXPECT_GT(tone.textOpacity(), 0);
    EXPECT_LT(tone.textOpacity(), 1);
    EXPECT_EQ(tone.index(), 0);
    queue.advance(0.16);  // 2.71: the second sentence, fading in
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_NEAR(changes[0].first - t0, 2.7, 1e-6);
    EXPECT_LT(tone.textOpacity(), 0.5);
    queue.advance(0.3);
    EXPECT_EQ(tone.textOpacity(), 1);
    queue.advance(5.4);  // 8.41: two more changes, 2.7 s apart, back to the first register
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_NEAR(changes[2].first - changes[1].first, 2.7, 1e-6);
    EXPECT_EQ(changes[1].second, 2);
    EXPECT_EQ(changes[2].second, 0);

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
