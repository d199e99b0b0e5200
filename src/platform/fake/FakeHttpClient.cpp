#include "platform/fake/FakeHttpClient.h"

void FakeHttpClient::send(HttpRequest request, Completion completion) {
    std::lock_guard guard(mutex_);
    requests_.push_back(std::move(request));
    pending_.push_back(completion ? std::move(completion) : Completion([](const HttpResponse&) {}));
}

HttpResponse FakeHttpClient::sendAndWait(HttpRequest request, double waitLimitSeconds) {
    std::lock_guard guard(mutex_);
    requests_.push_back(std::move(request));
    waitLimits_.push_back(waitLimitSeconds);
    if (waitResponses_.empty()) return HttpResponse::transportError(QStringLiteral("offline"));
    HttpResponse response = waitResponses_.front();
    waitResponses_.pop_front();
    return response;
}

std::vector<HttpRequest> FakeHttpClient::requests() const {
    std::lock_guard guard(mutex_);
    return requests_;
}

size_t FakeHttpClient::pendingCount() const {
    std::lock_guard guard(mutex_);
    return pending_.size();
}

bool FakeHttpClient::completeNext(const HttpResponse& response) {
    Completion completion;
    {
        std::lock_guard guard(mutex_);
        if (pending_.empty()) return false;
        completion = std::move(pending_.front());
        pending_.pop_front();
    }
    completion(response);
    return true;
}

void FakeHttpClient::queueWaitResponse(const HttpResponse& response) {
    std::lock_guard guard(mutex_);
    waitResponses_.push_back(response);
}

std::vector<double> FakeHttpClient::waitLimits() const {
    std::lock_guard guard(mutex_);
    return waitLimits_;
}
