#pragma once

#include "platform/SpeechAnalyzer.h"

// The newer on-device engine on Linux: there is none. No speech engine of this desktop installs
// per-locale models on request or analyses audio this way (PocketSphinx is the classic
// recogniser), so the engine reports itself unsupported, no model is ever installed and no
// session can be opened. Local recognition then always takes the classic recogniser.
class UnsupportedSpeechAnalyzer final : public SpeechAnalyzer {
public:
    bool isSupported() const override { return false; }
    AssetStatus assetStatus(const QString&) override { return AssetStatus::Unsupported; }
    bool reserve(const QString&) override { return false; }
    InstallationRequest installationRequest(const QString&) override;
    std::unique_ptr<SpeechAnalysisSession> openSession(const QString&, ResultHandler) override { return nullptr; }
};
