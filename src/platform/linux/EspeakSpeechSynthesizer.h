#pragma once

#include "platform/SpeechSynthesizer.h"

#include <QStringList>

// Test speech on Linux: espeak-ng speaks (it has a Japanese voice; flite speaks English only)
// and sox converts its output into the recording format. Each tool runs as a process with its
// output discarded, and is waited for.
class EspeakSpeechSynthesizer final : public SpeechSynthesizer {
public:
    static constexpr const char* kSynthesizerPath = "/usr/bin/espeak-ng";
    static constexpr const char* kConverterPath = "/usr/bin/sox";

    explicit EspeakSpeechSynthesizer(QString synthesizerPath = QLatin1String(kSynthesizerPath),
                                     QString converterPath = QLatin1String(kConverterPath));

    bool isAvailable() const override;
    bool speakToFile(const QString& text, const QString& language, const QString& path) override;
    bool convertToRecording(const QString& source, const QString& target) override;

    // Runs `program` with `arguments`, its output and errors discarded; true when it started
    // and exited normally with status 0 within `limitSeconds` (it is killed after that).
    static bool runProcess(const QString& program, const QStringList& arguments, double limitSeconds = 60.0);

private:
    QString synthesizer_;
    QString converter_;
};
