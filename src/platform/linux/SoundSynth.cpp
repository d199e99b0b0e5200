#include "platform/linux/SoundSynth.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace SoundSynth {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Partial {
    double ratio;
    double amplitude;
};

struct Note {
    double at = 0;          // start, seconds
    double length = 0.3;    // seconds, a short fade included
    double from = 440;      // Hz at the start
    double to = 0;          // Hz at the end (0: same as from), swept exponentially
    double amplitude = 1.0;
    double attack = 0.005;  // seconds
    double decay = 0.1;     // time constant of the exponential decay, seconds
    double tremoloRate = 0; // Hz
    double tremoloDepth = 0;
    std::vector<Partial> partials = {{1.0, 1.0}};
};

class Mix {
public:
    void note(const Note& n) {
        const size_t first = size_t(n.at * kSampleRate);
        const size_t count = size_t(n.length * kSampleRate);
        grow(first + count);
        const double to = n.to > 0 ? n.to : n.from;
        const double fade = std::min(0.01, n.length / 4);
        double phase = 0;
        for (size_t i = 0; i < count; ++i) {
            const double t = double(i) / kSampleRate;
            const double f = n.from * std::pow(to / n.from, t / n.length);
            phase += kTwoPi * f / kSampleRate;
            double v = 0;
            for (const Partial& p : n.partials) v += p.amplitude * std::sin(phase * p.ratio);
            v *= n.amplitude * envelope(t, n.length, n.attack, n.decay, fade);
            if (n.tremoloRate > 0) v *= 1.0 - n.tremoloDepth * 0.5 * (1.0 + std::cos(kTwoPi * n.tremoloRate * t));
            samples_[first + i] += v;
        }
    }

    // Noise through a one-pole low-pass whose corner slides from `fromHz` to `toHz`.
    void breath(double at, double length, double fromHz, double toHz, double amplitude, double attack, double decay) {
        const size_t first = size_t(at * kSampleRate);
        const size_t count = size_t(length * kSampleRate);
        grow(first + count);
        const double fade = std::min(0.01, length / 4);
        double low = 0, lower = 0;
        for (size_t i = 0; i < count; ++i) {
            const double t = double(i) / kSampleRate;
            const double corner = fromHz * std::pow(toHz / fromHz, t / length);
            const double k = 1.0 - std::exp(-kTwoPi * corner / kSampleRate);
            low += k * (noise() - low);
            lower += k * (low - lower);
            samples_[first + i] += amplitude * 4.0 * lower * envelope(t, length, attack, decay, fade);
        }
    }

    void echo(double delay, double gain) {
        const size_t d = size_t(delay * kSampleRate);
        const size_t n = samples_.size();
        grow(n + d);
        for (size_t i = n; i-- > 0;) samples_[i + d] += gain * samples_[i];
    }

    // Peak at -6 dBFS, as 16-bit samples.
    std::vector<int16_t> finish() const {
        double peak = 0;
        for (double v : samples_) peak = std::max(peak, std::abs(v));
        std::vector<int16_t> out(samples_.size());
        const double scale = peak > 0 ? 0.5 / peak : 0.0;
        for (size_t i = 0; i < samples_.size(); ++i) out[i] = int16_t(std::lrint(samples_[i] * scale * 32767.0));
        return out;
    }

private:
    static double envelope(double t, double length, double attack, double decay, double fade) {
        double e = t < attack ? t / attack : std::exp(-(t - attack) / decay);
        if (t > length - fade) e *= std::max(0.0, (length - t) / fade);
        return e;
    }

    double noise() {
        seed_ = seed_ * 6364136223846793005ULL + 1442695040888963407ULL;  // deterministic
        return double(int64_t(seed_ >> 11) - (int64_t(1) << 52)) / double(int64_t(1) << 52);
    }

    void grow(size_t n) {
        if (samples_.size() < n) samples_.resize(n, 0.0);
    }

    std::vector<double> samples_;
    uint64_t seed_ = 0x5eed;
};

}  // namespace

std::vector<int16_t> render(const QString& name) {
    Mix m;
    if (name == QLatin1String("Tink")) {
        // A tiny glassy tick.
        m.note({.length = 0.18, .from = 2200, .attack = 0.002, .decay = 0.04,
                .partials = {{1, 1}, {2.76, 0.25}, {5.4, 0.1}}});
    } else if (name == QLatin1String("Pop")) {
        // A quick downward drop, like a cork.
        m.note({.length = 0.09, .from = 900, .to = 250, .attack = 0.002, .decay = 0.03, .partials = {{1, 1}, {2, 0.2}}});
    } else if (name == QLatin1String("Purr")) {
        // A soft low hum that flutters.
        m.note({.length = 0.4, .from = 196, .to = 220, .attack = 0.03, .decay = 0.2, .tremoloRate = 28,
                .tremoloDepth = 0.6, .partials = {{1, 1}, {2, 0.5}, {3, 0.25}}});
    } else if (name == QLatin1String("Morse")) {
        // Three short beeps.
        for (int i = 0; i < 3; ++i)
            m.note({.at = i * 0.11, .length = 0.07, .from = 1046.5, .attack = 0.004, .decay = 0.08,
                    .partials = {{1, 1}, {2, 0.1}}});
    } else if (name == QLatin1String("Ping")) {
        // A clear bell.
        m.note({.length = 0.7, .from = 1318.5, .attack = 0.003, .decay = 0.22, .partials = {{1, 1}, {2, 0.3}, {3, 0.1}}});
    } else if (name == QLatin1String("Bottle")) {
        // A hollow blown tone with some breath.
        m.note({.length = 0.35, .from = 300, .to = 340, .attack = 0.02, .decay = 0.12, .partials = {{1, 1}, {2, 0.15}}});
        m.breath(0, 0.3, 1200, 600, 0.25, 0.02, 0.1);
    } else if (name == QLatin1String("Blow")) {
        // A short swoosh of air.
        m.breath(0, 0.5, 3000, 500, 1.0, 0.08, 0.2);
    } else if (name == QLatin1String("Frog")) {
        // Two quick croaks.
        for (int i = 0; i < 2; ++i)
            m.note({.at = i * 0.14, .length = 0.11, .from = 150, .to = 120, .attack = 0.005, .decay = 0.08,
                    .tremoloRate = 40, .tremoloDepth = 0.9, .partials = {{1, 1}, {2, 0.7}, {3, 0.5}, {4, 0.3}, {5, 0.2}}});
    } else if (name == QLatin1String("Funk")) {
        // Two falling notes.
        m.note({.length = 0.12, .from = 392, .to = 380, .attack = 0.004, .decay = 0.1,
                .partials = {{1, 1}, {3, 0.3}, {5, 0.12}}});
        m.note({.at = 0.12, .length = 0.22, .from = 294, .to = 280, .attack = 0.004, .decay = 0.1,
                .partials = {{1, 1}, {3, 0.3}, {5, 0.12}}});
    } else if (name == QLatin1String("Glass")) {
        // A shimmering glass chime.
        m.note({.length = 0.8, .from = 2093, .attack = 0.002, .decay = 0.3,
                .partials = {{1, 1}, {1.5, 0.5}, {2.0, 0.4}, {2.93, 0.2}}});
        m.note({.length = 0.8, .from = 2099, .amplitude = 0.5, .attack = 0.002, .decay = 0.25, .partials = {{1, 1}}});
    } else if (name == QLatin1String("Hero")) {
        // A rising arpeggio.
        const double notes[] = {523.25, 659.25, 783.99, 1046.5};
        for (int i = 0; i < 4; ++i)
            m.note({.at = i * 0.07, .length = 0.45, .from = notes[i], .attack = 0.004, .decay = 0.18,
                    .partials = {{1, 1}, {2, 0.3}, {3, 0.1}}});
    } else if (name == QLatin1String("Sosumi")) {
        // Two bright notes going up.
        m.note({.length = 0.3, .from = 880, .attack = 0.003, .decay = 0.1, .partials = {{1, 1}, {2.4, 0.2}}});
        m.note({.at = 0.1, .length = 0.35, .from = 1174.7, .attack = 0.003, .decay = 0.12, .partials = {{1, 1}, {2.4, 0.2}}});
    } else if (name == QLatin1String("Submarine")) {
        // A sonar ping with its echo.
        m.note({.length = 0.8, .from = 880, .attack = 0.01, .decay = 0.3, .partials = {{1, 1}, {2, 0.05}}});
        m.echo(0.3, 0.35);
    } else if (name == QLatin1String("Basso")) {
        // A low thud.
        m.note({.length = 0.45, .from = 110, .to = 92, .attack = 0.005, .decay = 0.15,
                .partials = {{1, 1}, {2, 0.6}, {3, 0.4}, {4, 0.2}}});
        m.breath(0, 0.08, 800, 200, 0.4, 0.002, 0.03);
    } else {
        return {};
    }
    return m.finish();
}

}  // namespace SoundSynth
