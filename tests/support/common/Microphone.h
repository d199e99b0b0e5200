#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

// The headless session's pipe-source microphones ("quendle_mic" at 16 kHz, the default source,
// and "quendle_mic48" at 48 kHz) play silence until a test queues samples.
namespace Microphone {

// Queues mono 16-bit samples at `rate` (16000 or 48000); returns a ticket for waitPlayed().
QString queue(const QVector<int16_t>& samples, int rate = 16000);
// Waits (real time) until the feeder has written all of the queued samples.
bool waitPlayed(const QString& ticket, int timeoutMs = 30000);
// The PulseAudio source name of the microphone at `rate`.
QString sourceName(int rate);

// Reads the samples of a 16-bit mono WAV file (any rate); empty when unreadable.
QVector<int16_t> readWavSamples(const QString& path, int* rate = nullptr);
// Speech made with flite (voice "slt" or "awb"), at `rate`; empty when flite is missing.
QVector<int16_t> speak(const QString& text, int rate = 16000, const QString& voice = QStringLiteral("slt"));
// 16 kHz `speech` without the quiet the synthesiser puts before and after it (10 ms frames below
// 36 dB), so that phrases can be joined with pauses of a known length.
QVector<int16_t> withoutQuietEnds(const QVector<int16_t>& speech);

}  // namespace Microphone
