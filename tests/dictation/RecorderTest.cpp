// The recorder on a fake microphone and virtual time: start/stop/cancel rules, the stop rules
// (too short, padding, silence), the level formula, the length limit and the callbacks' threads.
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "dictation/Recorder.h"
#include "core/RecordingFormat.h"
#include "platform/Files.h"
#include "platform/fake/FakeAudioInput.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "TestHome.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override { AppPrefs::setDefaults(&defaults); }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    QString log() const { return home.logText(); }
    // `frames` samples of value v at 16 kHz: v × 32768 as 16-bit samples.
    void feed(size_t frames, float v) { mic.feed(frames, v); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeAudioInput mic;
    Recorder recorder{mic};
};

TEST_F(RecorderTest, StartFailsCleanlyWithoutAUsableDevice) {
    mic.sampleRate = 0;  // no input device
    EXPECT_FALSE(recorder.start());
    EXPECT_FALSE(recorder.isRunning());
    mic.sampleRate = 16000;
    mic.failConverter = true;
    EXPECT_FALSE(recorder.start());
    mic.failConverter = false;
    mic.failStart = true;
    EXPECT_FALSE(recorder.start());
    EXPECT_FALSE(recorder.isRunning());
    EXPECT_EQ(recorder.stop(), std::nullopt);
    queue.advance(400);  // no limit timer was armed
    EXPECT_FALSE(log().contains(QStringLiteral("録音の上限")));
    mic.failStart = false;
    EXPECT_TRUE(recorder.start());
}

TEST_F(RecorderTest, StartTwiceKeepsOneCaptureAndIdleCallsDoNothing) {
    EXPECT_EQ(recorder.stop(), std::nullopt);
    recorder.cancel();
    EXPECT_TRUE(recorder.start());
    feed(8000, 0.1f);
    EXPECT_TRUE(recorder.start());
    feed(8000, 0.1f);
    EXPECT_EQ(mic.starts(), 1);
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->size(), 44 + 32000 + 12800);  // both halves, one capture
    EXPECT_FALSE(mic.isRunning());
}

TEST_F(RecorderTest, StopHandsBackThePaddedSamplesAsAWav) {
    ASSERT_TRUE(recorder.start());
    std::vector<float> ramp(9000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = float(int(i % 2000) - 1000) / 32768.0f;
    mic.feed(ramp);  // two buffers of 4096, then 808 delivered by stop
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    ASSERT_EQ(wav->size(), 44 + 18000 + 12800);
    EXPECT_EQ(RecordingFormat::durationSeconds(*wav), (18000 + 12800) / 32000.0);
    for (size_t i = 0; i < ramp.size(); ++i)
        ASSERT_EQ(qFromLittleEndian<qint16>(wav->constData() + 44 + i * 2), qint16(int(i % 2000) - 1000)) << i;
    EXPECT_EQ(wav->mid(44 + 18000), QByteArray(12800, '\0'));
    EXPECT_TRUE(log().contains(QStringLiteral("録音 1.0秒（生）\n"))) << log().toStdString();
}

TEST_F(RecorderTest, TooShortOrTooQuietGivesNothingAndNoLogLine) {
    // Exactly 12800 bytes (0.4 s) is too short, however loud.
    ASSERT_TRUE(recorder.start());
    feed(6400, 0.5f);
    EXPECT_EQ(recorder.stop(), std::nullopt);

    // Digital silence.
    ASSERT_TRUE(recorder.start());
    feed(32000, 0.0f);
    EXPECT_EQ(recorder.stop(), std::nullopt);

    // The mean includes the appended 0.4 s: 0.8 s at 60 averages exactly 40 over 1.2 s.
    ASSERT_TRUE(recorder.start());
    feed(12800, 60.0f / 32768.0f);
    EXPECT_EQ(recorder.stop(), std::nullopt);
    EXPECT_FALSE(log().contains(QStringLiteral("録音 ")));

    // At 61 the mean is above 40.
    ASSERT_TRUE(recorder.start());
    feed(12800, 61.0f / 32768.0f);
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->size(), 44 + 25600 + 12800);
    EXPECT_TRUE(log().contains(QStringLiteral("録音 1.2秒（生）\n")));
}

TEST_F(RecorderTest, StopRulesAtTheByteBoundary) {
    QByteArray pcm(12800, '\x7f');
    EXPECT_EQ(Recorder::finishCapture(pcm), std::nullopt);
    pcm.append('\x7f');
    const auto wav = Recorder::finishCapture(pcm);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->size(), 44 + 25601);
    EXPECT_EQ(Recorder::meanAbsoluteSample(QByteArray(1, '\x7f')), 0.0);
    EXPECT_EQ(Recorder::meanAbsoluteSample(QByteArray()), 0.0);
}

TEST_F(RecorderTest, LevelFormula) {
    std::vector<float> constant(4096, 0.2f);
    EXPECT_FLOAT_EQ(Recorder::levelOf(constant.data(), constant.size()), 1.0f);
    std::fill(constant.begin(), constant.end(), 0.05f);
    EXPECT_NEAR(Recorder::levelOf(constant.data(), constant.size()), 0.3f, 1e-6);
    std::fill(constant.begin(), constant.end(), -0.05f);
    EXPECT_NEAR(Recorder::levelOf(constant.data(), constant.size()), 0.3f, 1e-6);
    EXPECT_EQ(Recorder::levelOf(constant.data(), 0), 0.0f);
    // Only every eighth sample counts.
    std::vector<float> spikes(4096, 0.0f);
    for (size_t i = 1; i < spikes.size(); i += 8) spikes[i] = 1.0f;
    EXPECT_EQ(Recorder::levelOf(spikes.data(), spikes.size()), 0.0f);
    // A short buffer is averaged over the samples it had: 12 frames → samples 0 and 8.
    std::vector<float> shortBuffer(12, 0.05f);
    EXPECT_NEAR(Recorder::levelOf(shortBuffer.data(), shortBuffer.size()), 0.3f, 1e-6);
    std::vector<float> tiny(3, 0.05f);
    EXPECT_NEAR(Recorder::levelOf(tiny.data(), tiny.size()), 0.3f, 1e-6);
}

TEST_F(RecorderTest, LevelArrivesOnTheMainQueueForEachBuffer) {
    std::vector<float> levels;
    recorder.onLevel = [&](float v) {
        EXPECT_TRUE(MainQueue::onMainThread());
        levels.push_back(v);
    };
    ASSERT_TRUE(recorder.start());
    feed(4096, 0.05f);
    feed(4096, 0.0f);
    EXPECT_TRUE(levels.empty());  // posted, not called from the capture thread
    queue.runPending();
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_NEAR(levels[0], 0.3f, 1e-6);
    EXPECT_EQ(levels[1], 0.0f);
    recorder.stop();
}

TEST_F(RecorderTest, CancelDiscardsAndCallsNothingAfterwards) {
    int levels = 0, limits = 0;
    std::atomic<int> chunks{0};
    recorder.onLevel = [&](float) { ++levels; };
    recorder.onReachedLimit = [&] { ++limits; };
    recorder.onPCMChunk = [&](const QByteArray&) { ++chunks; };
    ASSERT_TRUE(recorder.start());
    feed(20000, 0.3f);  // 4 buffers posted + a remainder
    recorder.cancel();
    EXPECT_FALSE(recorder.isRunning());
    const int chunksAtCancel = chunks.load();
    EXPECT_EQ(chunksAtCancel, 5);  // everything posted was handled before cancel returned
    queue.advance(400);            // the level posts and the limit timer come due
    feed(4096, 0.3f);              // the microphone is off
    EXPECT_EQ(levels, 0);
    EXPECT_EQ(limits, 0);
    EXPECT_EQ(chunks.load(), chunksAtCancel);
    EXPECT_FALSE(log().contains(QStringLiteral("録音")));

    // The next capture starts empty.
    ASSERT_TRUE(recorder.start());
    feed(8000, 0.3f);
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->size(), 44 + 16000 + 12800);
}

TEST_F(RecorderTest, ChunksArriveOnTheAudioQueueInOrder) {
    std::mutex m;
    QByteArray joined;
    std::thread::id chunkThread;
    recorder.onPCMChunk = [&](const QByteArray& chunk) {
        std::lock_guard lock(m);
        joined.append(chunk);
        chunkThread = std::this_thread::get_id();
    };
    ASSERT_TRUE(recorder.start());
    std::vector<float> ramp(9000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = float(int(i % 3000)) / 32768.0f;
    mic.feed(ramp);
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    std::lock_guard lock(m);
    EXPECT_EQ(joined, wav->mid(44, 18000));
    EXPECT_NE(chunkThread, std::this_thread::get_id());
}

TEST_F(RecorderTest, LengthLimitLogsOnceAndLeavesStoppingToTheOwner) {
    int limits = 0;
    recorder.onReachedLimit = [&] {
        EXPECT_TRUE(recorder.isRunning());
        ++limits;
    };
    ASSERT_TRUE(recorder.start());
    queue.advance(299.9);
    EXPECT_EQ(limits, 0);
    queue.advance(0.2);
    EXPECT_EQ(limits, 1);
    EXPECT_TRUE(recorder.isRunning());
    queue.advance(600);
    EXPECT_EQ(limits, 1);
    EXPECT_EQ(log().count(QStringLiteral("録音の上限（300秒）に達したので打ち切る\n")), 1);
    recorder.cancel();

    // A capture stopped before the limit leaves no timer behind, even one armed after the stop.
    ASSERT_TRUE(recorder.start());
    recorder.cancel();  // before the arming post ran
    queue.advance(1);
    ASSERT_TRUE(recorder.start());
    queue.advance(100);
    feed(8000, 0.3f);
    recorder.stop();
    queue.advance(400);
    EXPECT_EQ(limits, 1);
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

// The device goes away mid-capture: the owner hears of it once, on the main queue, and what was
// captured until then is still handed back; a loss after the capture ended reports nothing.
TEST_F(RecorderTest, LostDeviceIsReportedOnceOnTheMainQueueAndKeepsWhatWasCaptured) {
    int lost = 0;
    recorder.onLost = [&] {
        EXPECT_TRUE(recorder.isRunning());
        ++lost;
    };
    ASSERT_TRUE(recorder.start());
    feed(16000, 0.25f);
    mic.lose();
    mic.lose();
    EXPECT_EQ(lost, 0);
    queue.runPending();
    EXPECT_EQ(lost, 1);
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->size(), 44 + 32000 + Recorder::kAppendedSilenceBytes);
    EXPECT_TRUE(log().contains(QStringLiteral("録音中にマイクが止まった")));

    ASSERT_TRUE(recorder.start());
    mic.lose();
    recorder.cancel();
    queue.runPending();
    EXPECT_EQ(lost, 1);
}

TEST_F(RecorderTest, A48kHzDeviceGivesSixteenKilohertzOfTheSameLength) {
    mic.sampleRate = 48000;
    ASSERT_TRUE(recorder.start());
    feed(48000, 0.25f);  // one second
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_NEAR(double(wav->size() - 44 - 12800) / 32000.0, 1.0, 1.0 / 16000 * 2);
}

// The default microphone changed between reading its format and opening the stream: the
// samples are converted from the rate the stream delivers.
TEST_F(RecorderTest, ConvertsFromTheRateTheStreamDelivers) {
    mic.sampleRate = 16000;
    ASSERT_TRUE(recorder.start());
    mic.sampleRate = 48000;
    feed(48000, 0.25f);  // one second
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_NEAR(double(wav->size() - 44 - 12800) / 32000.0, 1.0, 1.0 / 16000 * 2);
}

TEST_F(RecorderTest, CapturesFromAnotherThreadWhileTheMainThreadStartsAndStops) {
    std::atomic<bool> done{false};
    std::atomic<int> levels{0};
    recorder.onPCMChunk = [](const QByteArray&) {};
    recorder.onLevel = [&](float) { ++levels; };
    std::thread capture([&] {
        while (!done) mic.feed(1024, 0.2f);
    });
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(recorder.start());
        recorder.onPCMChunk = nullptr;  // reassigned while chunks arrive
        recorder.onPCMChunk = [](const QByteArray&) {};
        if (i % 2)
            recorder.stop();
        else
            recorder.cancel();
    }
    done = true;
    capture.join();
    queue.runPending();
    EXPECT_FALSE(recorder.isRunning());
}

TEST_F(RecorderTest, DestroyedWhileRunningCallsNothingLater) {
    int levels = 0;
    {
        FakeAudioInput input;
        Recorder doomed(input);
        doomed.onLevel = [&](float) { ++levels; };
        ASSERT_TRUE(doomed.start());
        input.feed(8192, 0.2f);
        EXPECT_TRUE(input.isRunning());
    }
    queue.advance(400);
    EXPECT_EQ(levels, 0);
}

}  // namespace
