#include "core/RecordingFormat.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Tuning.h"
#include "platform/TimePitch.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace RecordingFormat {

namespace {

constexpr qsizetype kFrameSamples = 320;  // 20 ms
constexpr qsizetype kFrameBytes = kFrameSamples * 2;

void putLE32(char* p, quint32 v) { qToLittleEndian(v, p); }
void putLE16(char* p, quint16 v) { qToLittleEndian(v, p); }

int16_t sampleAt(const char* data, qsizetype index) {
    return qFromLittleEndian<qint16>(data + index * 2);
}

}  // namespace

QByteArray makeWAV(const QByteArray& pcm, int sampleRate) {
    const quint32 n = quint32(pcm.size());
    QByteArray wav(kHeaderBytes, '\0');
    char* h = wav.data();
    std::memcpy(h, "RIFF", 4);
    putLE32(h + 4, 36 + n);
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    putLE32(h + 16, 16);
    putLE16(h + 20, 1);
    putLE16(h + 22, 1);
    putLE32(h + 24, quint32(sampleRate));
    putLE32(h + 28, quint32(sampleRate) * 2);
    putLE16(h + 32, 2);
    putLE16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    putLE32(h + 40, n);
    wav.append(pcm);
    return wav;
}

double durationSeconds(const QByteArray& wav) {
    if (wav.size() <= kHeaderBytes) return 0.0;
    return double(wav.size() - kHeaderBytes) / double(kBytesPerSecond);
}

QByteArray pcmOf(const QByteArray& wav) {
    if (wav.size() <= kHeaderBytes) return QByteArray();
    return wav.mid(kHeaderBytes);
}

QByteArray trimSilence(const QByteArray& pcm) {
    const Tuning::TrimParameters p = Tuning::trimParameters();
    if (pcm.size() < 2561) return pcm;

    const qsizetype n = pcm.size() / kFrameBytes;
    if (n < 5) return pcm;

    const char* data = pcm.constData();
    std::vector<double> energy(size_t(n), 0.0);
    for (qsizetype f = 0; f < n; ++f) {
        qint64 sum = 0;
        const qsizetype base = f * kFrameSamples;
        for (qsizetype i = 0; i < kFrameSamples; ++i) sum += std::abs(int(sampleAt(data, base + i)));
        energy[size_t(f)] = double(sum) / double(kFrameSamples);
    }

    std::vector<double> sorted = energy;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype q = std::min<qsizetype>(n - 1, qsizetype(p.noiseQuantile * double(n)));
    const double noise = sorted[size_t(q)];
    const double threshold = std::max(p.thresholdFactor * noise, p.thresholdFloor);

    std::vector<char> keep(size_t(n), 0);
    bool any = false;
    for (qsizetype i = 0; i < n; ++i) {
        if (!(energy[size_t(i)] > threshold)) continue;
        any = true;
        const qsizetype from = std::max<qsizetype>(0, i - p.marginFrames);
        const qsizetype to = std::min<qsizetype>(n - 1, i + p.marginFrames);
        for (qsizetype k = from; k <= to; ++k) keep[size_t(k)] = 1;
    }
    if (!any) return pcm;

    QByteArray out;
    out.reserve(pcm.size());
    for (qsizetype f = 0; f < n; ++f)
        if (keep[size_t(f)]) out.append(data + f * kFrameBytes, kFrameBytes);
    if (keep[size_t(n - 1)]) out.append(data + n * kFrameBytes, pcm.size() - n * kFrameBytes);
    return out;
}

QByteArray timeCompress(const QByteArray& pcm, float rate, TimePitch& timePitch) {
    if (!(rate > 1.0f) || pcm.size() < 3201) return pcm;

    const qsizetype frames = pcm.size() / 2;
    std::vector<float> input(static_cast<size_t>(frames));
    const char* data = pcm.constData();
    for (qsizetype i = 0; i < frames; ++i) input[size_t(i)] = float(sampleAt(data, i)) * (1.0f / 32768.0f);

    // Half a second beyond the compressed length, so the end of the last word is not cut.
    const size_t target = size_t(double(frames) / double(rate)) + 8000;
    const std::optional<std::vector<float>> rendered = timePitch.stretch(input, kSampleRate, double(rate), target);
    if (!rendered) return pcm;

    QByteArray out(qsizetype(rendered->size()) * 2, '\0');
    char* o = out.data();
    for (size_t i = 0; i < rendered->size(); ++i) {
        const float x = (*rendered)[i];
        qint16 y;
        if (x >= 1.0f)
            y = 32767;
        else if (!(x == x))
            y = 0;
        else
            y = qint16(std::trunc(std::max(x, -1.0f) * 32767.0f));
        qToLittleEndian(y, o + i * 2);
    }
    if (out.size() <= 3200) return pcm;
    return out;
}

QByteArray prepareForCloud(const QByteArray& wav, TimePitch& timePitch) {
    if (wav.size() < 45) return wav;
    const double base = Tuning::baseSeconds();
    const QByteArray pcm = wav.mid(kHeaderBytes);
    const QByteArray trimmed = trimSilence(pcm);
    if (trimmed.size() < 9601) return wav;

    const qint64 limit = qint64(base * kBytesPerSecond);
    QByteArray output;
    if (pcm.size() <= limit) {
        output = pcm;
    } else if (trimmed.size() <= limit) {
        output = trimmed;
    } else {
        const double seconds = double(trimmed.size()) / kBytesPerSecond;
        const double cap = AppPrefs::qualityLevel() == QLatin1String("low")
                               ? 1.0
                               : Tuning::maxSpeedFactor(AppPrefs::inputQualityPercent());
        float rate = float(seconds / base);
        if (rate > float(cap)) rate = float(cap);
        if (rate < 1.0f) rate = 1.0f;
        output = timeCompress(trimmed, rate, timePitch);
    }

    AppLog::write(QString::asprintf("クラウド用 音声 %.1f秒 → 送信 %.1f秒", double(pcm.size()) / 32000.0,
                                    double(output.size()) / 32000.0));
    return makeWAV(output, kSampleRate);
}

}  // namespace RecordingFormat
