#include "platform/fake/FakeSpeechRecognizer.h"

#include "platform/Files.h"
#include "platform/MainQueue.h"

namespace {

class FakeTask final : public SpeechRecognitionTask {
public:
    FakeTask(std::shared_ptr<FakeSpeechRecognizer::Recognition> recognition, SpeechRecognizer::ResultHandler handler)
        : recognition_(std::move(recognition)), handler_(std::move(handler)) {}

    void cancel() override {
        if (done_) return;
        done_ = true;
        recognition_->cancelled = true;
        auto handler = handler_;
        MainQueue::post([handler] {
            handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Cancelled, QStringLiteral("cancelled")});
        });
    }

    void play(const FakeSpeechRecognizer::Step& step) {
        if (done_) return;
        if (step.error || (step.result && step.result->isFinal)) done_ = true;
        handler_(step.result, step.error);
    }

private:
    std::shared_ptr<FakeSpeechRecognizer::Recognition> recognition_;
    SpeechRecognizer::ResultHandler handler_;
    bool done_ = false;
};

}  // namespace

std::shared_ptr<SpeechRecognitionTask> FakeSpeechRecognizer::recognize(const SpeechRecognitionRequest& request, ResultHandler handler) {
    auto recognition = std::make_shared<Recognition>();
    recognition->request = request;
    recognition->wav = Files::read(request.wavPath);
    recognitions_.push_back(recognition);
    auto task = std::make_shared<FakeTask>(recognition, std::move(handler));
    for (const Step& step : script) {
        // The task is kept alive by its steps, as a running recognition keeps itself alive.
        MainQueue::after(step.at, [task, step] { task->play(step); });
    }
    return task;
}

std::shared_ptr<SpeechRecognizer> FakeSpeechRecognizerProvider::recognizer(const QString& localeIdentifier) {
    ++lookups_;
    return recognizers_.value(localeIdentifier);
}

std::shared_ptr<FakeSpeechRecognizer> FakeSpeechRecognizerProvider::add(const QString& localeIdentifier) {
    auto& slot = recognizers_[localeIdentifier];
    if (!slot) slot = std::make_shared<FakeSpeechRecognizer>(localeIdentifier);
    return slot;
}
