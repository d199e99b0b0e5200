// The recorder on the real sound server of the headless session: what is fed through the pipe-source
// microphones comes back from stop(), at 16 kHz sample for sample and from a 48 kHz source at the
// right length and pitch; cancel stays quiet; the level follows the input; no server fails cleanly.
#include "core/AppPrefs.h"
#include "dictation/Recorder.h"
#include "core/RecordingFormat.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/PulseAudioInput.h"
#include "Microphone.h"
#include "TestHome.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

std::vector<int16_t> samplesOf(const QByteArray& pcm) {
    std::vector<int16_t> out(size_t(pcm.size() / 2));
    for (size_t i = 0; i < out.size(); ++i) out[i] = qFromLittleEndian<qint16>(pcm.constData() + i * 2);
    return out;
}

// Deterministic noise that no stretch of silence or of another feed resembles.
QVector<int16_t> pattern(int count) {
    QVector<int16_t> out(count);
    quint32 x = 0x1234567;
    for (int i = 0; i < count; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = int16_t(int((x >> 16) % 24001) - 12000);
    }
    return out;
}

std::ptrdiff_t find(const std::vector<int16_t>& hay, const QVector<int16_t>& needle) {
    auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
    return it == hay.end() ? -1 : it - hay.begin();
}

// Counts the frames the device delivered, to compare with what comes out of the conversion.
class CountingInput final : public AudioInput {
public:
    explicit CountingInput(AudioInput& inner) : inner_(inner) {}
    Format deviceFormat() override { return inner_.deviceFormat(); }
    bool start(size_t bufferFrames, Callback onSamples, LostCallback onLost) override {
        return inner_.start(
            bufferFrames,
            [this, onSamples](const float* s, size_t n, double rate) {
                frames += n;
                onSamples(s, n, rate);
            },
            std::move(onLost));
    }
    void stop() override { inner_.stop(); }
    std::unique_ptr<AudioConverter> makeConverter(double rate) override { return inner_.makeConverter(rate); }
    std::atomic<size_t> frames{0};

private:
    AudioInput& inner_;
};

class RecorderSession : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        AppPrefs::setDefaults(&defaults);
    }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    // Collects what the recorder appends, as it appends it.
    void collect(Recorder& recorder) {
        recorder.onPCMChunk = [this](const QByteArray& chunk) {
            std::lock_guard lock(mutex);
            streamed.append(chunk);
        };
    }
    // Waits for the capture's first audio: only from then on is all that is fed certain to be heard.
    void waitUntilHearing() {
        ASSERT_TRUE(queue.waitFor([&] { return !streamedSamples().empty(); }, 10000)) << "the capture never delivered";
    }
    std::vector<int16_t> streamedSamples() {
        std::lock_guard lock(mutex);
        return samplesOf(streamed);
    }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    std::mutex mutex;
    QByteArray streamed;
};

TEST_F(RecorderSession, DefaultSixteenKilohertzSourceGivesBackTheFedSamples) {
    PulseAudioInput mic;  // the default source: the 16 kHz pipe
    ASSERT_EQ(mic.deviceFormat().sampleRate, 16000);
    Recorder recorder(mic);
    collect(recorder);
    ASSERT_TRUE(recorder.start());
    waitUntilHearing();
    const QVector<int16_t> fed = pattern(16000);
    ASSERT_TRUE(Microphone::waitPlayed(Microphone::queue(fed, 16000)));
    ASSERT_TRUE(queue.waitFor([&] { return find(streamedSamples(), fed) >= 0; }, 10000));
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    const std::vector<int16_t> recorded = samplesOf(RecordingFormat::pcmOf(*wav));
    EXPECT_GE(find(recorded, fed), 0);
    EXPECT_EQ(recorded.size() * 2, size_t(wav->size() - 44));
}

TEST_F(RecorderSession, FortyEightKilohertzSourceGivesSixteenKilohertzOfTheRightLength) {
    PulseAudioInput device(Microphone::sourceName(48000));
    ASSERT_EQ(device.deviceFormat().sampleRate, 48000);
    CountingInput mic(device);
    Recorder recorder(mic);
    collect(recorder);
    ASSERT_TRUE(recorder.start());
    waitUntilHearing();
    // One second of a 1 kHz tone.
    QVector<int16_t> tone(48000);
    for (int i = 0; i < tone.size(); ++i) tone[i] = int16_t(std::lround(12000 * std::sin(2 * M_PI * 1000.0 * i / 48000)));
    ASSERT_TRUE(Microphone::waitPlayed(Microphone::queue(tone, 48000)));
    // Wait until the tone has come through and 0.2 s of silence after it.
    auto toneEnded = [&] {
        const std::vector<int16_t> s = streamedSamples();
        size_t last = 0;
        bool any = false;
        for (size_t i = 0; i < s.size(); ++i)
            if (std::abs(int(s[i])) > 3000) last = i, any = true;
        return any && s.size() > last + 3200;
    };
    ASSERT_TRUE(queue.waitFor(toneEnded, 10000));
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);

    // The whole capture: a third of the device's frames, within one buffer.
    const size_t out = size_t(wav->size() - 44 - Recorder::kAppendedSilenceBytes) / 2;
    EXPECT_NEAR(double(out), double(mic.frames.load()) / 3.0, Recorder::kTapFrames / 3.0);

    // The tone: one second long at 16 kHz, still at 1 kHz.
    const std::vector<int16_t> s = samplesOf(RecordingFormat::pcmOf(*wav));
    size_t first = s.size(), last = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(int(s[i])) > 3000) first = std::min(first, i), last = i;
    ASSERT_LT(first, last);
    EXPECT_NEAR(double(last - first), 16000.0, Recorder::kTapFrames / 3.0);
    int crossings = 0;
    for (size_t i = first + 1; i <= last; ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
    EXPECT_NEAR(crossings / (double(last - first) / 16000.0), 2000.0, 40.0);
}

TEST_F(RecorderSession, CancelDiscardsAndCallsNothingAfterwards) {
    PulseAudioInput mic;
    Recorder recorder(mic);
    std::atomic<int> chunks{0};
    int levels = 0;
    collect(recorder);
    recorder.onLevel = [&](float) { ++levels; };
    ASSERT_TRUE(recorder.start());
    waitUntilHearing();
    const QVector<int16_t> fed = pattern(8000);
    ASSERT_TRUE(Microphone::waitPlayed(Microphone::queue(fed, 16000)));
    ASSERT_TRUE(queue.waitFor([&] { return find(streamedSamples(), fed) >= 0 && levels >= 1; }, 10000));
    recorder.onPCMChunk = [&](const QByteArray&) { ++chunks; };
    recorder.cancel();
    const int levelsAtCancel = levels;
    const int chunksAtCancel = chunks.load();
    queue.waitFor([] { return false; }, 400);  // real audio keeps arriving at the server meanwhile
    EXPECT_EQ(chunks.load(), chunksAtCancel);
    EXPECT_EQ(levels, levelsAtCancel);
    EXPECT_FALSE(recorder.isRunning());

    // The next capture holds nothing of the cancelled one.
    {
        std::lock_guard lock(mutex);
        streamed.clear();
    }
    collect(recorder);
    ASSERT_TRUE(recorder.start());
    queue.waitFor([&] { return streamedSamples().size() >= 16000; }, 10000);
    const auto wav = recorder.stop();
    if (wav) {
        EXPECT_LT(find(samplesOf(RecordingFormat::pcmOf(*wav)), fed.mid(0, 64)), 0);
    }
}

TEST_F(RecorderSession, LevelRisesForSpeechAndStaysLowForSilence) {
    PulseAudioInput mic;
    Recorder recorder(mic);
    std::vector<float> levels;
    recorder.onLevel = [&](float v) { levels.push_back(v); };
    ASSERT_TRUE(recorder.start());
    ASSERT_TRUE(queue.waitFor([&] { return levels.size() >= 4; }, 10000));
    EXPECT_LT(*std::max_element(levels.begin(), levels.end()), 0.02f);

    QVector<int16_t> speech = Microphone::speak(QStringLiteral("hello, this is a test of the microphone"));
    if (speech.isEmpty()) speech = pattern(16000);  // no flite: loud noise will do
    levels.clear();
    const QString ticket = Microphone::queue(speech, 16000);
    ASSERT_TRUE(queue.waitFor([&] { return !levels.empty() && *std::max_element(levels.begin(), levels.end()) > 0.2f; },
                              15000));
    Microphone::waitPlayed(ticket);
    const auto wav = recorder.stop();
    EXPECT_TRUE(wav);  // speech is worth recognising
}

TEST(RecorderWithoutServer, StartFailsCleanlyWhenThereIsNoSoundServer) {
    FakeMainQueue queue;
    const QByteArray previous = qgetenv("PULSE_SERVER");
    const bool had = qEnvironmentVariableIsSet("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/quendle/pulse/native");
    {
        PulseAudioInput mic;
        EXPECT_EQ(mic.deviceFormat().sampleRate, 0);
        Recorder recorder(mic);
        EXPECT_FALSE(recorder.start());
        EXPECT_FALSE(recorder.isRunning());
        EXPECT_EQ(recorder.stop(), std::nullopt);
        recorder.cancel();
    }
    if (had)
        qputenv("PULSE_SERVER", previous);
    else
        qunsetenv("PULSE_SERVER");
}

TEST_F(RecorderSession, UnknownSourceFailsCleanly) {
    PulseAudioInput mic(QStringLiteral("no_such_source"));
    EXPECT_EQ(mic.deviceFormat().sampleRate, 0);
    Recorder recorder(mic);
    EXPECT_FALSE(recorder.start());
}

}  // namespace
