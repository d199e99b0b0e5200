#include "Microphone.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cmath>
#include <cstring>

namespace Microphone {

namespace {
std::atomic<int> counter{0};

quint32 le32(const char* p) {
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16 | quint32(quint8(p[3])) << 24;
}
quint16 le16(const char* p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
}  // namespace

QString sourceName(int rate) { return rate == 48000 ? QStringLiteral("quendle_mic48") : QStringLiteral("quendle_mic"); }

QString queue(const QVector<int16_t>& samples, int rate) {
    const QString dir = qEnvironmentVariable("QUENDLE_MIC_DIR") + QLatin1Char('/') + QString::number(rate);
    const QString name = QStringLiteral("%1-%2-%3.raw")
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(QCoreApplication::applicationPid())
                             .arg(counter.fetch_add(1), 6, 10, QLatin1Char('0'));
    const QString temp = dir + QStringLiteral("/.") + name;
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly)) return QString();
    file.write(reinterpret_cast<const char*>(samples.constData()), samples.size() * 2);
    file.close();
    const QString final = dir + QLatin1Char('/') + name;
    QFile::rename(temp, final);
    return final;
}

bool waitPlayed(const QString& ticket, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (QFileInfo::exists(ticket + QStringLiteral(".done"))) return true;
        QThread::msleep(5);  // polling a file the feeder process renames; no timer of ours involved
    }
    return false;
}

QVector<int16_t> readWavSamples(const QString& path, int* rate) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE") return {};
    qsizetype pos = 12;
    int sampleRate = 0, channels = 1;
    while (pos + 8 <= data.size()) {
        const QByteArray id = data.mid(pos, 4);
        const quint32 size = le32(data.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt " && body + 16 <= data.size()) {
            channels = le16(data.constData() + body + 2);
            sampleRate = int(le32(data.constData() + body + 4));
        } else if (id == "data") {
            const qsizetype available = std::min<qsizetype>(size, data.size() - body);
            QVector<int16_t> samples;
            const qsizetype frames = available / (2 * std::max(1, channels));
            samples.resize(frames);
            for (qsizetype i = 0; i < frames; ++i) {
                int16_t v;
                std::memcpy(&v, data.constData() + body + i * 2 * channels, 2);
                samples[i] = v;
            }
            if (rate) *rate = sampleRate;
            return samples;
        }
        pos = body + size + (size & 1);
    }
    return {};
}

QVector<int16_t> withoutQuietEnds(const QVector<int16_t>& speech) {
    auto loud = [&](qsizetype frame) {
        double energy = 0;
        for (qsizetype i = frame * 160; i < frame * 160 + 160; ++i) energy += double(speech[i]) * speech[i];
        return 10.0 * std::log10(energy / 160 + 1.0) >= 36.0;
    };
    qsizetype first = 0, last = speech.size() / 160;
    while (first < last && !loud(first)) ++first;
    while (last > first && !loud(last - 1)) --last;
    return speech.mid(first * 160, (last - first) * 160);
}

QVector<int16_t> speak(const QString& text, int rate, const QString& voice) {
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("speech.wav"));
    const QString converted = dir.filePath(QStringLiteral("speech16.wav"));
    if (QProcess::execute(QStringLiteral("flite"), {QStringLiteral("-voice"), voice, QStringLiteral("-t"), text,
                                                    QStringLiteral("-o"), raw}) != 0)
        return {};
    if (QProcess::execute(QStringLiteral("sox"), {raw, QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"),
                                                  QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"),
                                                  converted}) != 0)
        return {};
    return readWavSamples(converted);
}

}  // namespace Microphone
