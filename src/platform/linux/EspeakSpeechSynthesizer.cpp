#include "platform/linux/EspeakSpeechSynthesizer.h"

#include <QFileInfo>
#include <QProcess>

EspeakSpeechSynthesizer::EspeakSpeechSynthesizer(QString synthesizerPath, QString converterPath)
    : synthesizer_(std::move(synthesizerPath)), converter_(std::move(converterPath)) {}

bool EspeakSpeechSynthesizer::isAvailable() const {
    return QFileInfo::exists(synthesizer_) && QFileInfo::exists(converter_);
}

bool EspeakSpeechSynthesizer::speakToFile(const QString& text, const QString& language, const QString& path) {
    const QString voice = language == QLatin1String("en") ? QStringLiteral("en-us") : language;
    // "--" keeps a text that starts with a dash from being read as an option.
    return runProcess(synthesizer_, {QStringLiteral("-v"), voice, QStringLiteral("-w"), path, QStringLiteral("--"), text});
}

bool EspeakSpeechSynthesizer::convertToRecording(const QString& source, const QString& target) {
    return runProcess(converter_, {source, QStringLiteral("-t"), QStringLiteral("wav"), QStringLiteral("-r"), QStringLiteral("16000"),
                                   QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"),
                                   QStringLiteral("-e"), QStringLiteral("signed-integer"), target});
}

bool EspeakSpeechSynthesizer::runProcess(const QString& program, const QStringList& arguments, double limitSeconds) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted()) return false;
    if (!process.waitForFinished(int(limitSeconds * 1000))) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
