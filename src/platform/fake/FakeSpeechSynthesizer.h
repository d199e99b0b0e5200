#pragma once

#include "platform/SpeechSynthesizer.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <optional>

// SpeechSynthesizer for tests: each step succeeds or fails as the test says, and leaves real
// files behind so that their removal can be checked.
class FakeSpeechSynthesizer final : public SpeechSynthesizer {
public:
    bool available = true;
    bool speakSucceeds = true;
    bool convertSucceeds = true;
    // What the conversion writes to its target; absent: it writes no file at all.
    std::optional<QByteArray> recording = QByteArray(44 + 32000, '\x02');

    // What the steps were asked (text, language, path / source, target).
    QStringList spoken;
    QStringList converted;

    bool isAvailable() const override { return available; }

    bool speakToFile(const QString& text, const QString& language, const QString& path) override {
        spoken << text << language << path;
        if (!speakSucceeds) return false;
        return write(path, "speech");
    }

    bool convertToRecording(const QString& source, const QString& target) override {
        converted << source << target;
        if (!convertSucceeds) return false;
        return !recording || write(target, *recording);
    }

private:
    static bool write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
};
