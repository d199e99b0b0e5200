#pragma once

#include <QByteArray>

class TimePitch;

// The one audio format passed around: 16 kHz mono signed 16-bit little-endian PCM behind a 44-byte
// RIFF/WAVE header, and the preparation of a recording for upload (silence trimming, then time
// compression of long recordings towards the target upload length).
namespace RecordingFormat {

constexpr int kSampleRate = 16000;
constexpr int kBytesPerSecond = 32000;
constexpr int kHeaderBytes = 44;

// The header for `pcm`'s length followed by the PCM unchanged.
QByteArray makeWAV(const QByteArray& pcm, int sampleRate = kSampleRate);
// (bytes − 44) / 32000; 0 for anything not longer than a header.
double durationSeconds(const QByteArray& wav);
// The samples of a recording WAV (everything after the 44-byte header).
QByteArray pcmOf(const QByteArray& wav);

// The upload version of a recording: the recording itself when it fits the target length
// (tuning "base"), else its trimmed version, time-compressed when that is still too long.
// Never fails: returns its input when it cannot do better. Logs one line when it prepared.
QByteArray prepareForCloud(const QByteArray& wav, TimePitch& timePitch);
// Drops 20 ms frames quieter than the noise-derived threshold, keeping a margin around loud ones.
QByteArray trimSilence(const QByteArray& pcm);
// Plays the PCM `rate` times faster at the same pitch (rate ≤ 1 or short input: unchanged).
QByteArray timeCompress(const QByteArray& pcm, float rate, TimePitch& timePitch);

}  // namespace RecordingFormat
