// The four sound moments: keys, defaults, "なし", the master switch, and the sounds we make.
#include "core/AppPrefs.h"
#include "dictation/Feedback.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakeSounds.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/SoundSynth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

namespace {

class FeedbackTest : public ::testing::Test {
protected:
    void SetUp() override { AppPrefs::setDefaults(&defaults); }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeSounds sounds;
};

using Feedback::Moment;

TEST_F(FeedbackTest, MomentsKeysAndDefaults) {
    const QList<Moment> order{Moment::start, Moment::stop, Moment::success, Moment::failure};
    EXPECT_EQ(Feedback::allMoments(), order);
    const QStringList keys{QStringLiteral("soundStart"), QStringLiteral("soundStop"), QStringLiteral("soundSuccess"),
                           QStringLiteral("soundFailure")};
    const QStringList names{QStringLiteral("Purr"), QStringLiteral("Frog"), QStringLiteral("Morse"), QStringLiteral("Tink")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Feedback::rawValue(order[i]), keys[i]);
        EXPECT_EQ(Feedback::momentFromRawValue(keys[i]), order[i]);
        EXPECT_EQ(Feedback::soundName(order[i]), names[i]);  // nothing stored
        EXPECT_TRUE(Sounds::exists(names[i]));
    }
    EXPECT_EQ(Feedback::momentFromRawValue(QStringLiteral("soundstart")), std::nullopt);
    EXPECT_EQ(Feedback::momentFromRawValue(QStringLiteral("SoundStart")), std::nullopt);
    EXPECT_EQ(Feedback::momentFromRawValue(QString()), std::nullopt);

    for (Moment m : order) Feedback::play(m, sounds);
    EXPECT_EQ(sounds.played(), names);
}

TEST_F(FeedbackTest, StoredNamesAreReturnedUncheckedAndUnknownOnesAreSilent) {
    defaults.set(QStringLiteral("soundStop"), QStringLiteral("Glass"));
    defaults.set(QStringLiteral("soundSuccess"), QStringLiteral("NoSuchSound"));
    defaults.set(QStringLiteral("soundFailure"), qlonglong(3));  // not a string: the default
    EXPECT_EQ(Feedback::soundName(Moment::stop), QStringLiteral("Glass"));
    EXPECT_EQ(Feedback::soundName(Moment::success), QStringLiteral("NoSuchSound"));
    EXPECT_EQ(Feedback::soundName(Moment::failure), QStringLiteral("Tink"));
    EXPECT_NE(Feedback::play(Moment::stop, sounds), 0u);
    EXPECT_EQ(Feedback::play(Moment::success, sounds), 0u);
    EXPECT_EQ(sounds.played(), QStringList{QStringLiteral("Glass")});
}

TEST_F(FeedbackTest, NashiAndTheMasterSwitchSilence) {
    defaults.set(QStringLiteral("soundStart"), QStringLiteral("なし"));
    EXPECT_EQ(Feedback::play(Moment::start, sounds), 0u);
    EXPECT_TRUE(sounds.requested().isEmpty());  // "なし" never reaches the player

    defaults.set(QStringLiteral("soundEnabled"), false);
    for (Moment m : Feedback::allMoments()) EXPECT_EQ(Feedback::play(m, sounds), 0u);
    EXPECT_TRUE(sounds.requested().isEmpty());
    defaults.set(QStringLiteral("soundEnabled"), true);
    Feedback::play(Moment::stop, sounds);
    EXPECT_EQ(sounds.played(), QStringList{QStringLiteral("Frog")});
}

TEST_F(FeedbackTest, SetSoundStoresAndPreviews) {
    Feedback::setSound(QStringLiteral("Hero"), Moment::success, sounds);
    EXPECT_EQ(defaults.object(QStringLiteral("soundSuccess")), QVariant(QStringLiteral("Hero")));
    EXPECT_EQ(sounds.played(), QStringList{QStringLiteral("Hero")});

    Feedback::setSound(QStringLiteral("なし"), Moment::failure, sounds);
    EXPECT_EQ(defaults.object(QStringLiteral("soundFailure")), QVariant(QStringLiteral("なし")));
    EXPECT_EQ(sounds.requested(), QStringList{QStringLiteral("Hero")});  // no preview

    // The preview plays even with sounds switched off: the user asked to hear it.
    defaults.set(QStringLiteral("soundEnabled"), false);
    Feedback::setSound(QStringLiteral("Pop"), Moment::start, sounds);
    EXPECT_EQ(sounds.played().last(), QStringLiteral("Pop"));
    Feedback::setSound(QStringLiteral("Bogus"), Moment::start, sounds);  // stored, plays nothing
    EXPECT_EQ(Feedback::soundName(Moment::start), QStringLiteral("Bogus"));
    EXPECT_EQ(sounds.played().size(), 2);
}

// Every name the pickers offer has a sound of its own: short, audible, not clipped, free of clicks
// at its ends, and different from every other.
TEST(SoundSynthTest, EveryNameHasItsOwnShortCleanSound) {
    EXPECT_EQ(Sounds::names().size(), 14);
    std::set<std::vector<int16_t>> seen;
    for (const QString& name : Sounds::names()) {
        const std::vector<int16_t> s = SoundSynth::render(name);
        SCOPED_TRACE(name.toStdString());
        ASSERT_FALSE(s.empty());
        const double seconds = double(s.size()) / SoundSynth::kSampleRate;
        EXPECT_GE(seconds, 0.05);
        EXPECT_LE(seconds, 1.5);
        int peak = 0;
        for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 12000);
        EXPECT_LT(peak, 20000);
        EXPECT_LT(std::abs(int(s.front())), 500);
        EXPECT_LT(std::abs(int(s.back())), 500);
        EXPECT_TRUE(seen.insert(s).second);
        EXPECT_EQ(SoundSynth::render(name), s);  // the same every time
    }
    EXPECT_TRUE(SoundSynth::render(QStringLiteral("なし")).empty());
    EXPECT_TRUE(SoundSynth::render(QStringLiteral("tink")).empty());
}

}  // namespace
