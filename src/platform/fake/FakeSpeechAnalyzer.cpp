#include "platform/fake/FakeSpeechAnalyzer.h"

#include "platform/MainQueue.h"

namespace {

class FakeInstallation final : public SpeechAssetInstallation {
public:
    FakeInstallation(FakeSpeechAnalyzer& analyzer, QString locale, FakeSpeechAnalyzer::Download download)
        : analyzer_(analyzer), locale_(std::move(locale)), download_(std::move(download)) {}

    double fractionCompleted() const override { return state_->fraction; }
    bool isFinished() const override { return state_->finished; }

    void downloadAndInstall(Done done) override {
        auto state = state_;
        for (const auto& [at, fraction] : download_.progress)
            MainQueue::after(at, [state, fraction = fraction] { state->fraction = fraction; });
        MainQueue::after(download_.endsAt, [state, done, error = download_.error, analyzer = &analyzer_, locale = locale_] {
            state->finished = true;
            if (!error) analyzer->installed.insert(locale);
            done(error);
        });
    }

private:
    struct State {
        double fraction = 0;
        bool finished = false;
    };
    FakeSpeechAnalyzer& analyzer_;
    QString locale_;
    FakeSpeechAnalyzer::Download download_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

class FakeSession final : public SpeechAnalysisSession {
public:
    FakeSession(std::shared_ptr<FakeSpeechAnalyzer::Session> record, FakeSpeechAnalyzer::Analysis analysis,
                SpeechAnalyzer::ResultHandler results)
        : record_(std::move(record)), analysis_(std::move(analysis)), results_(std::move(results)) {}

    std::optional<QString> setContext(const QStringList& strings) override {
        record_->context = strings;
        record_->contextSet = true;
        return analysis_.contextError;
    }
    std::optional<SpeechAudioFormat> bestFormat() override { return analysis_.format; }
    void feed(const QByteArray& samples) override { record_->fed += samples; }

    void finish(Finished done) override {
        record_->finished = true;
        auto record = record_;
        for (const auto& result : analysis_.results) {
            MainQueue::after(result.at, [record, results = results_, result] {
                if (!record->cancelled) results(result.text, result.isFinal);
            });
        }
        MainQueue::after(analysis_.endsAt, [record, done, error = analysis_.error] {
            if (!record->cancelled) done(error);
        });
    }

    void cancel() override { record_->cancelled = true; }

private:
    std::shared_ptr<FakeSpeechAnalyzer::Session> record_;
    FakeSpeechAnalyzer::Analysis analysis_;
    SpeechAnalyzer::ResultHandler results_;
};

}  // namespace

SpeechAnalyzer::AssetStatus FakeSpeechAnalyzer::assetStatus(const QString& localeIdentifier) {
    ++statusQueries;
    if (!supported) return AssetStatus::Unsupported;
    return installed.contains(localeIdentifier) ? AssetStatus::Installed : AssetStatus::NotInstalled;
}

bool FakeSpeechAnalyzer::reserve(const QString& localeIdentifier) {
    reserved << localeIdentifier;
    return supported;
}

SpeechAnalyzer::InstallationRequest FakeSpeechAnalyzer::installationRequest(const QString& localeIdentifier) {
    ++installationRequests;
    if (nothingToInstall.contains(localeIdentifier)) return {};
    if (!downloads.contains(localeIdentifier)) return {nullptr, QStringLiteral("モデルがありません")};
    return {std::make_shared<FakeInstallation>(*this, localeIdentifier, downloads.value(localeIdentifier)), std::nullopt};
}

std::unique_ptr<SpeechAnalysisSession> FakeSpeechAnalyzer::openSession(const QString& localeIdentifier, ResultHandler results) {
    if (!supported) return nullptr;
    auto record = std::make_shared<Session>();
    record->locale = localeIdentifier;
    sessions.push_back(record);
    return std::make_unique<FakeSession>(record, analysis, std::move(results));
}
