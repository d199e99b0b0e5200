// The recording WAV, silence trimming and the preparation of recordings for upload.
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/RecordingFormat.h"
#include "platform/Files.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakeTimePitch.h"
#include "platform/fake/MemoryDefaults.h"
#include "TestHome.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace RecordingFormat;

namespace {

// PCM built from 20 ms frames, each filled with a square wave of the given amplitude (its mean
// absolute value, i.e. the frame's energy, equals the amplitude).
QByteArray frames(const std::vector<int>& amplitudes) {
    QByteArray pcm;
    for (int a : amplitudes)
        for (int i = 0; i < 320; ++i) {
            const qint16 s = qint16(i % 2 ? a : -a);
            pcm.append(reinterpret_cast<const char*>(&s), 2);
        }
    return pcm;
}

// `seconds` of audio: `loudSeconds` of speech-like square wave at the start, then silence.
QByteArray speechThenSilence(double seconds, double loudSeconds) {
    const int total = int(std::lround(seconds * 50));
    const int loud = int(std::lround(loudSeconds * 50));
    std::vector<int> amps(size_t(total), 0);
    for (int i = 0; i < loud && i < total; ++i) amps[size_t(i)] = 3000;
    return frames(amps);
}

class RecordingFormatTest : public ::testing::Test {
protected:
    void SetUp() override { AppPrefs::setDefaults(&defaults); }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    QString log() const { return home.logText(); }
    void tuning(const QVariantMap& map) { defaults.set(QStringLiteral("prepTuning"), map); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeTimePitch timePitch;
};

TEST_F(RecordingFormatTest, HeaderOfA16kMonoPCMTakeThenTheSamplesUnchanged) {
    QByteArray pcm(32000, '\0');
    pcm[0] = 0x12;
    pcm[31999] = 0x34;
    const QByteArray wav = makeWAV(pcm);
    EXPECT_EQ(wav.left(44), QByteArray("RIFF") + QByteArray::fromHex("247d0000") + "WAVEfmt " +
                                QByteArray::fromHex("10000000" "0100" "0100" "803e0000" "007d0000" "0200" "1000") +
                                "data" + QByteArray::fromHex("007d0000"));
    EXPECT_EQ(pcmOf(wav), pcm);
    EXPECT_EQ(durationSeconds(wav), 1.0);
    EXPECT_EQ(durationSeconds(makeWAV({})), 0.0);
}

TEST_F(RecordingFormatTest, TrimLeavesShortOrUniformInputAlone) {
    EXPECT_EQ(trimSilence(QByteArray(2560, '\0')), QByteArray(2560, '\0'));
    // 2600 bytes hold only 4 whole frames.
    QByteArray four = frames({0, 0, 5000, 0});
    four.append(QByteArray(40, '\0'));
    EXPECT_EQ(trimSilence(four), four);
    // Every frame at the same energy: nothing is strictly above the threshold.
    const QByteArray uniform = frames(std::vector<int>(50, 4000));
    EXPECT_EQ(trimSilence(uniform), uniform);
    // Quiet everywhere (below the floor of 120): nothing marked, input back.
    const QByteArray quiet = frames({0, 0, 100, 0, 0, 0, 0, 0});
    EXPECT_EQ(trimSilence(quiet), quiet);
}

TEST_F(RecordingFormatTest, TrimKeepsAMarginOfSixFramesAroundLoudFrames) {
    std::vector<int> amps(60, 0);
    amps[30] = 3000;
    QByteArray pcm = frames(amps);
    pcm.append(QByteArray(100, '\x01'));  // a tail shorter than a frame
    const QByteArray trimmed = trimSilence(pcm);
    // frames 24..36: 13 frames = 260 ms (120 ms on each side of the loud frame)
    ASSERT_EQ(trimmed.size(), 13 * 640);
    EXPECT_EQ(trimmed, pcm.mid(24 * 640, 13 * 640));

    // When the last whole frame is kept, the partial tail comes along.
    amps[59] = 3000;
    QByteArray withEnd = frames(amps);
    withEnd.append(QByteArray(100, '\x01'));
    const QByteArray kept = trimSilence(withEnd);
    EXPECT_EQ(kept.size(), 13 * 640 + 7 * 640 + 100);
    EXPECT_TRUE(kept.endsWith(QByteArray(100, '\x01')));
}

TEST_F(RecordingFormatTest, TrimFollowsTheTuningValues) {
    std::vector<int> amps(60, 0);
    amps[30] = 3000;
    const QByteArray pcm = frames(amps);
    tuning({{QStringLiteral("trim"), QVariantList{0.25, 3.0, 120.0, 2.9}}});  // margin truncated to 2
    EXPECT_EQ(trimSilence(pcm).size(), 5 * 640);
    tuning({{QStringLiteral("trim"), QVariantList{0.25, 3.0, 5000.0, 0}}});  // floor above the loud frame
    EXPECT_EQ(trimSilence(pcm), pcm);
    tuning({{QStringLiteral("trim"), QVariantList{0.25, 3.0, 120.0, 101}}});  // out of range: margin 6
    EXPECT_EQ(trimSilence(pcm).size(), 13 * 640);

    // The threshold follows the noise: with a noise floor of 200, a frame at 500 is not speech
    // (3 × 200 = 600), one at 700 is.
    std::vector<int> noisy(40, 200);
    noisy[10] = 500;
    noisy[30] = 700;
    tuning({{QStringLiteral("trim"), QVariantList{0.25, 3.0, 120.0, 0}}});
    EXPECT_EQ(trimSilence(frames(noisy)), frames({700}));
}

TEST_F(RecordingFormatTest, ShortRecordingIsUploadedUntrimmedEvenWithLongSilences) {
    const QByteArray wav = makeWAV(speechThenSilence(8.0, 1.0));
    const QByteArray cloud = prepareForCloud(wav, timePitch);
    EXPECT_EQ(cloud, wav);
    EXPECT_EQ(timePitch.calls, 0);
    EXPECT_TRUE(log().contains(QStringLiteral("クラウド用 音声 8.0秒 → 送信 8.0秒\n"))) << log().toStdString();
}

TEST_F(RecordingFormatTest, LongRecordingThatTrimsIntoTheTargetIsTrimmedNotCompressed) {
    // 25 s, of which 8 s are loud at the start: trimmed to 8 s + 6 frames of margin.
    const QByteArray wav = makeWAV(speechThenSilence(25.0, 8.0));
    const QByteArray cloud = prepareForCloud(wav, timePitch);
    EXPECT_EQ(timePitch.calls, 0);
    EXPECT_EQ(cloud.size(), 44 + (400 + 6) * 640);
    EXPECT_TRUE(log().contains(QStringLiteral("クラウド用 音声 25.0秒 → 送信 8.1秒\n"))) << log().toStdString();
}

TEST_F(RecordingFormatTest, LongRecordingIsCompressedUpToTheInputQualityCap) {
    AppPrefs::setQualityLevel(QStringLiteral("middle"));
    AppPrefs::setInputQualityPercent(80);
    // 48 s that trim to 30 s (+ 6 frames of margin). (With less than a quarter of silence the
    // noise estimate would land on speech and nothing would be trimmed.)
    const QByteArray wav = makeWAV(speechThenSilence(48.0, 30.0));
    const QByteArray cloud = prepareForCloud(wav, timePitch);
    ASSERT_EQ(timePitch.calls, 1);
    EXPECT_FLOAT_EQ(float(timePitch.lastRate), 1.25f);  // 30.12 / 10 capped at 100 / 80
    const qsizetype trimmedFrames = (1500 + 6) * 320;
    EXPECT_EQ(cloud.size(), 44 + (qsizetype(double(trimmedFrames) / 1.25) + 8000) * 2);
    EXPECT_NEAR(durationSeconds(cloud), 24.1 + 0.5, 0.01);
    EXPECT_TRUE(log().contains(QStringLiteral("クラウド用 音声 48.0秒 → 送信 24.6秒\n"))) << log().toStdString();

    // A cap from the tuning store wins over 100 / percent.
    tuning({{QStringLiteral("caps"), QVariantMap{{QStringLiteral("80"), 2.0}}}});
    prepareForCloud(wav, timePitch);
    EXPECT_FLOAT_EQ(float(timePitch.lastRate), 2.0f);
    // The rate never exceeds what the length needs: base 20 asks for 1.506.
    tuning({{QStringLiteral("caps"), QVariantMap{{QStringLiteral("80"), 3.0}}}, {QStringLiteral("base"), 20}});
    prepareForCloud(wav, timePitch);
    EXPECT_NEAR(timePitch.lastRate, 30.12 / 20.0, 1e-4);
}

TEST_F(RecordingFormatTest, QualityLowOnlyTrims) {
    AppPrefs::setQualityLevel(QStringLiteral("low"));
    const QByteArray wav = makeWAV(speechThenSilence(48.0, 30.0));
    const QByteArray cloud = prepareForCloud(wav, timePitch);
    EXPECT_EQ(timePitch.calls, 0);  // rate 1.0: returned as trimmed
    EXPECT_EQ(cloud.size(), 44 + (1500 + 6) * 640);
}

TEST_F(RecordingFormatTest, NearlySilentOrTinyRecordingIsSentAsRecordedWithoutALogLine) {
    // One loud frame at the start of 30 s: 1 + 6 frames (0.14 s) are kept, under 0.3 s.
    std::vector<int> amps(1500, 0);
    amps[0] = 3000;
    const QByteArray wav = makeWAV(frames(amps));
    EXPECT_EQ(prepareForCloud(wav, timePitch), wav);
    const QByteArray tiny = makeWAV(QByteArray());
    EXPECT_EQ(prepareForCloud(tiny, timePitch), tiny);
    EXPECT_EQ(prepareForCloud(QByteArray("RIFF"), timePitch), QByteArray("RIFF"));
    EXPECT_FALSE(log().contains(QStringLiteral("クラウド用")));
}

TEST_F(RecordingFormatTest, TimeCompressionConvertsSamplesAndFallsBackToItsInput) {
    QByteArray pcm = frames(std::vector<int>(20, 1000));
    EXPECT_EQ(timeCompress(pcm, 1.0f, timePitch), pcm);
    EXPECT_EQ(timeCompress(pcm.left(3200), 2.0f, timePitch), pcm.left(3200));
    EXPECT_EQ(timePitch.calls, 0);

    // Full scale and beyond: +1.0 and above give 32767; -1.0 and below give -32767.
    std::vector<qint16> samples{32767, -32768, 16384, -16384};
    samples.resize(2000, 0);
    QByteArray loud(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
    FakeTimePitch identityish;
    const QByteArray out = timeCompress(loud, 1.0001f, identityish);
    ASSERT_EQ(out.size(), (qsizetype(2000 / 1.0001f) + 8000) * 2);
    EXPECT_EQ(qFromLittleEndian<qint16>(out.constData() + 0), 32766);   // 32767/32768 × 32767, truncated
    EXPECT_EQ(qFromLittleEndian<qint16>(out.constData() + 2), -32767);
    EXPECT_EQ(qFromLittleEndian<qint16>(out.constData() + 4), 16383);   // 0.5 × 32767 = 16383.5 → 16383
    EXPECT_EQ(qFromLittleEndian<qint16>(out.constData() + 6), -16383);

    identityish.fail = true;
    EXPECT_EQ(timeCompress(loud, 2.0f, identityish), loud);
}

}  // namespace
