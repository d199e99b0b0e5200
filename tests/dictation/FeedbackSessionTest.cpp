// Our sounds on the real sound server: every name plays and finishes, overlapping is fine, an
// unknown name and "なし" are silent, a preview can be cut short.
#include "platform/fake/FakeMainQueue.h"
#include "platform/linux/PulseSounds.h"
#include "TestHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

// The sound server answers on its own thread and posts nothing to us: look until it holds.
bool pollUntil(const std::function<bool()>& done, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class SoundsSession : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
    }
    FakeMainQueue queue;
};

TEST_F(SoundsSession, EveryNamePlaysAtOnceAndAllMayOverlap) {
    PulseSounds sounds;
    for (const QString& name : Sounds::names()) EXPECT_NE(sounds.play(name), 0u) << name.toStdString();
    EXPECT_GT(sounds.activeCount(), 0u);
    // Each plays to its end and is released.
    EXPECT_TRUE(queue.waitFor([&] { return sounds.activeCount() == 0; }, 10000));
}

TEST_F(SoundsSession, UnknownNamesAndNashiAreSilent) {
    PulseSounds sounds;
    EXPECT_EQ(sounds.play(QStringLiteral("NoSuchSound")), 0u);
    EXPECT_EQ(sounds.play(QStringLiteral("なし")), 0u);
    EXPECT_EQ(sounds.play(QString()), 0u);
    EXPECT_EQ(sounds.activeCount(), 0u);
}

TEST_F(SoundsSession, StopCutsAPlaybackShort) {
    PulseSounds sounds;
    const Sounds::PlaybackId id = sounds.play(QStringLiteral("Submarine"));
    ASSERT_NE(id, 0u);
    sounds.stop(id);
    EXPECT_EQ(sounds.activeCount(), 0u);
    sounds.stop(id);  // twice: ignored
    sounds.stop(12345);
}

TEST_F(SoundsSession, StoppingWhileTheServerDrainsIsClean) {
    PulseSounds sounds;
    // A long sound and a short one after it: once the short one has played out, the server has
    // long taken the long one and is draining it.
    const Sounds::PlaybackId longOne = sounds.play(QStringLiteral("Submarine"));
    ASSERT_NE(longOne, 0u);
    ASSERT_NE(sounds.play(QStringLiteral("Tink")), 0u);
    ASSERT_TRUE(pollUntil([&] { return sounds.activeCount() == 1; }, 10000));
    // Cutting it short makes the server refuse the pending drain; that answer must find nothing
    // of the finished playback.
    sounds.stop(longOne);
    EXPECT_EQ(sounds.activeCount(), 0u);
    ASSERT_NE(sounds.play(QStringLiteral("Tink")), 0u);  // one more round trip after the refusal
    EXPECT_TRUE(pollUntil([&] { return sounds.activeCount() == 0; }, 10000));
}

TEST(SoundsWithoutServer, PlayingWithoutASoundServerIsSilentAndQuick) {
    const QByteArray previous = qgetenv("PULSE_SERVER");
    const bool had = qEnvironmentVariableIsSet("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/quendle/pulse/native");
    {
        PulseSounds sounds;
        EXPECT_EQ(sounds.play(QStringLiteral("Tink")), 0u);
        EXPECT_EQ(sounds.activeCount(), 0u);
    }
    if (had)
        qputenv("PULSE_SERVER", previous);
    else
        qunsetenv("PULSE_SERVER");
}

}  // namespace
