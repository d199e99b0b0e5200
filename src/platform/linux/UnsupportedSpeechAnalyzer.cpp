#include "platform/linux/UnsupportedSpeechAnalyzer.h"

SpeechAnalyzer::InstallationRequest UnsupportedSpeechAnalyzer::installationRequest(const QString&) {
    return {nullptr, QStringLiteral("この端末には新エンジンの認識モデルがありません")};
}
