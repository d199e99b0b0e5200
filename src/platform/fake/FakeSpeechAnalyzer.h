#pragma once

#include "platform/SpeechAnalyzer.h"

#include <QMap>
#include <QSet>
#include <vector>

// A scripted newer engine on the virtual clock, for tests. Times are seconds after the call that
// starts the step (downloadAndInstall, finish).
class FakeSpeechAnalyzer final : public SpeechAnalyzer {
public:
    // How a locale's download goes: the fractions the installation reports over time, then its end.
    struct Download {
        std::vector<std::pair<double, double>> progress;  // (at, fraction)
        double endsAt = 1.0;
        std::optional<QString> error;
    };
    struct Result {
        double at = 0;
        QString text;
        bool isFinal = true;
    };
    // What every following session does once it is finished.
    struct Analysis {
        std::optional<SpeechAudioFormat> format = SpeechAudioFormat{};
        std::optional<QString> contextError;
        std::vector<Result> results;
        double endsAt = 0.5;
        std::optional<QString> error;
    };
    // What a session was given.
    struct Session {
        QString locale;
        QStringList context;
        bool contextSet = false;
        QByteArray fed;
        bool finished = false;
        bool cancelled = false;
    };

    bool isSupported() const override { return supported; }
    AssetStatus assetStatus(const QString& localeIdentifier) override;
    bool reserve(const QString& localeIdentifier) override;
    InstallationRequest installationRequest(const QString& localeIdentifier) override;
    std::unique_ptr<SpeechAnalysisSession> openSession(const QString& localeIdentifier, ResultHandler results) override;

    bool supported = false;  // as on Linux; tests of the engine turn it on
    QSet<QString> installed;
    QSet<QString> nothingToInstall;   // the system returns no request for these
    QMap<QString, Download> downloads;  // a locale with neither: the request fails
    Analysis analysis;

    int statusQueries = 0;
    int installationRequests = 0;
    QStringList reserved;
    std::vector<std::shared_ptr<Session>> sessions;
};
