#pragma once

#include <QString>

// The desktop's speech synthesiser and audio converter, as the service self-check uses them to
// make a short test utterance in the recording format. Both steps run external tools and block
// the calling thread until they are done.
class SpeechSynthesizer {
public:
    virtual ~SpeechSynthesizer() = default;

    // Whether both the synthesiser and the converter are installed.
    virtual bool isAvailable() const = 0;
    // Speaks `text` with a voice of `language` ("ja", "en") into an audio file at `path`, in the
    // synthesiser's own format. False when the tool could not be started or did not succeed.
    virtual bool speakToFile(const QString& text, const QString& language, const QString& path) = 0;
    // Converts the audio file at `source` into a recording file at `target`: 16 kHz, mono, signed
    // 16-bit little-endian PCM behind a 44-byte RIFF/WAVE header. False when the conversion failed.
    virtual bool convertToRecording(const QString& source, const QString& target) = 0;
};
