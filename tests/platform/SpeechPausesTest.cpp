// Pauses of speech found as a recording comes in, against the recording's own noise floor.
#include "Microphone.h"
#include "platform/linux/SpeechPauses.h"

#include <gtest/gtest.h>
#include <cmath>
#include <algorithm>
#include <random>

namespace {

constexpr int kRate = 16000;

// A recording made of sections: "speech" (a loud tone in syllables) or quiet, each some seconds long,
// over a steady noise of `noise` sample units RMS (0: digital silence).
struct Take {
    std::vector<int16_t> samples;
    std::mt19937 random{7};
    double noise;

    explicit Take(double noiseRms) : noise(noiseRms) {}
    Take& section(double seconds, double level) {
        std::normal_distribution<double> hiss(0, 1);
        const size_t n = size_t(seconds * kRate);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(samples.size()) / kRate;
            double v = noise * hiss(random);
            // Syllables: the loudness rises and falls four times a second, by 20 dB.
            if (level > 0) v += level * (0.55 + 0.45 * std::cos(2 * M_PI * 4 * t)) * std::sin(2 * M_PI * 180 * t);
            samples.push_back(int16_t(std::clamp(std::lround(v), -32768L, 32767L)));
        }
        return *this;
    }
    // `sound` over the floor, `gain` dB louder (softer when negative).
    Take& sound(const QVector<int16_t>& sound, double gain = 0) {
        std::normal_distribution<double> hiss(0, 1);
        const double factor = std::pow(10.0, gain / 20);
        for (int16_t v : sound)
            samples.push_back(int16_t(std::clamp(std::lround(v * factor + noise * hiss(random)), -32768L, 32767L)));
        return *this;
    }
    Take& speech(double seconds) { return section(seconds, 3000); }
    Take& quiet(double seconds) { return section(seconds, 0); }
    size_t at(double seconds) const { return size_t(seconds * kRate); }
};

// The cuts of `take` fed in pieces of `piece` samples; at every step nothing decodable lies past a
// cut that is still to come.
std::vector<size_t> cutsOf(const Take& take, size_t piece, const std::vector<size_t>& expected = {}) {
    SpeechPauses pauses;
    std::vector<size_t> cuts;
    for (size_t at = 0; at < take.samples.size(); at += piece) {
        const size_t n = std::min(piece, take.samples.size() - at);
        for (size_t cut : pauses.add(take.samples.data() + at, n)) cuts.push_back(cut);
        for (size_t cut : expected) {
            if (std::find(cuts.begin(), cuts.end(), cut) == cuts.end()) {
                EXPECT_LE(pauses.decodableUntil(), cut) << "fed past a cut still to come, at " << at;
            }
        }
    }
    return cuts;
}

// flite's speech of `text` without the quiet the synthesiser puts before and after it.
QVector<int16_t> spoken(const QString& text, const QString& voice) {
    return Microphone::withoutQuietEnds(Microphone::speak(text, kRate, voice));
}

// Each cut lies in its pause: from its start to a little way in.
void expectCutsIn(const std::vector<size_t>& cuts, const Take& take, const std::vector<double>& pauseStarts) {
    ASSERT_EQ(cuts.size(), pauseStarts.size());
    for (size_t i = 0; i < cuts.size(); ++i) {
        EXPECT_GE(cuts[i], take.at(pauseStarts[i] - 0.08)) << "cut " << i;
        EXPECT_LE(cuts[i], take.at(pauseStarts[i] + 0.2)) << "cut " << i;
    }
}

// A pause between phrases ends a stretch a little way into it; the gaps inside a phrase (stop
// consonants, 0.1-0.2 s) and the silence before the first word do not, whatever the microphone's
// floor (digital silence, a quiet room, a noisy one) and however the samples come in.
TEST(SpeechPauses, APauseBetweenPhrasesEndsAStretchAndTheGapsInsideAPhraseDoNot) {
    for (double noise : {0.0, 20.0, 300.0}) {
        Take take(noise);
        take.quiet(0.3).speech(0.8).quiet(0.1).speech(0.6).quiet(0.2).speech(0.7)  // one phrase
            .quiet(0.35)
            .speech(1.2).quiet(0.15).speech(0.5)  // another
            .quiet(0.6).speech(0.9).quiet(0.45);
        const std::vector<size_t> whole = cutsOf(take, take.samples.size());
        expectCutsIn(whole, take, {2.7, 4.9, 6.4});
        for (size_t piece : {size_t(1600), size_t(333)})
            EXPECT_EQ(cutsOf(take, piece, whole), whole) << "noise " << noise << ", pieces of " << piece;
    }
}

// Speech that starts at once and a noisy floor heard only in the pauses still gives the pauses.
TEST(SpeechPauses, TheFloorIsLearntFromThePausesWhenTheRecordingStartsWithSpeech) {
    Take take(100);
    take.speech(2.0).quiet(0.4).speech(2.0).quiet(0.4).speech(1.0);
    expectCutsIn(cutsOf(take, 1600), take, {2.0, 4.4});
}

// Speaking on without an ordinary pause: once the stretch holds five seconds of speech, a quick breath
// between two phrases ends it; before that the same breaths do not.
TEST(SpeechPauses, ALongStretchEndsAtABreathAndAShortOneDoesNot) {
    for (double noise : {0.0, 20.0, 300.0}) {
        Take take(noise);
        take.quiet(0.3).speech(2.0).quiet(0.15).speech(2.0).quiet(0.15).speech(1.5)  // 5.5 s of speech
            .quiet(0.15)
            .speech(2.0).quiet(0.15).speech(1.0)  // a new stretch, short again
            .quiet(0.45);
        const std::vector<size_t> whole = cutsOf(take, take.samples.size());
        expectCutsIn(whole, take, {6.1, 9.4});
        for (size_t piece : {size_t(1600), size_t(333)})
            EXPECT_EQ(cutsOf(take, piece, whole), whole) << "noise " << noise << ", pieces of " << piece;
    }
}

// The gaps inside a word (a stop consonant, under 0.1 s) never end even a long stretch.
TEST(SpeechPauses, AGapInsideAWordDoesNotEndALongStretch) {
    for (double noise : {0.0, 20.0, 300.0}) {
        Take take(noise);
        // Each gap lies around the peak of a syllable, where a stop cuts the sound off.
        take.quiet(0.31).speech(5.4).quiet(0.08).speech(0.42).quiet(0.08).speech(0.46).quiet(0.45);
        expectCutsIn(cutsOf(take, 1600), take, {6.75});
    }
}

// A word said 15-25 dB softer than the rest of its phrase, in a quiet room: its weak sounds lie only
// a few dB above the floor, yet they are speech, and the phrase is not cut inside; the pauses after
// the phrases still end stretches.
TEST(SpeechPauses, AWordSaidSofterThanTheRestOfThePhraseIsNoPause) {
    if (Microphone::speak(QStringLiteral("test")).isEmpty()) GTEST_SKIP() << "flite is not installed";
    const std::vector<QStringList> phrases = {
        {QStringLiteral("please send me the"), QStringLiteral("report"), QStringLiteral("by friday")},
        {QStringLiteral("i left my keys on the"), QStringLiteral("kitchen"), QStringLiteral("table")},
        {QStringLiteral("thank you very"), QStringLiteral("much")},
    };
    for (const QString& voice : {QStringLiteral("slt"), QStringLiteral("awb"), QStringLiteral("rms")}) {
        for (const QStringList& parts : phrases) {
            std::vector<QVector<int16_t>> said;
            for (const QString& part : parts) said.push_back(spoken(part, voice));
            for (double softer : {15.0, 20.0, 25.0}) {
                // The phrase twice, its second part softer, the parts 0.05 s apart.
                Take take(20);
                take.quiet(0.3);
                std::vector<double> pauses;
                for (int n = 0; n < 2; ++n) {
                    for (size_t i = 0; i < said.size(); ++i) {
                        if (i > 0) take.quiet(0.05);
                        take.sound(said[i], i == 1 ? -softer : 0);
                    }
                    pauses.push_back(double(take.samples.size()) / kRate);
                    take.quiet(0.45);
                }
                SCOPED_TRACE((voice + QLatin1Char(' ') + parts.join(QLatin1Char('|')) +
                              QStringLiteral(", %1 dB softer").arg(softer)).toStdString());
                const std::vector<size_t> whole = cutsOf(take, take.samples.size());
                expectCutsIn(whole, take, pauses);
                EXPECT_EQ(cutsOf(take, 333, whole), whole);
            }
        }
    }
}

// Nothing but the floor, however long, ends no stretch.
TEST(SpeechPauses, NoSpeechNoPause) {
    Take take(50);
    take.quiet(3.0);
    EXPECT_TRUE(cutsOf(take, 1600).empty());
}

}  // namespace
