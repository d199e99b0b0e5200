#pragma once

#include "platform/HttpClient.h"

#include <deque>
#include <mutex>
#include <vector>

// HttpClient for tests: records every request and answers only when the test says so.
// complete() runs the completion on the calling thread (the test's), standing in for the
// client's worker thread.
class FakeHttpClient final : public HttpClient {
public:
    void send(HttpRequest request, Completion completion) override;
    HttpResponse sendAndWait(HttpRequest request, double waitLimitSeconds) override;

    // Every request sent, in order (also those answered).
    std::vector<HttpRequest> requests() const;
    size_t pendingCount() const;
    // Answers the oldest unanswered request; false when none is waiting.
    bool completeNext(const HttpResponse& response);
    // Shorthands for completeNext.
    bool replyNext(int status, const QByteArray& body) { return completeNext(HttpResponse::reply(status, body)); }
    bool failNext(const QString& error) { return completeNext(HttpResponse::transportError(error)); }

    // What sendAndWait answers next (a transport error "offline" when nothing is queued).
    void queueWaitResponse(const HttpResponse& response);
    std::vector<double> waitLimits() const;

private:
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
    std::deque<Completion> pending_;
    std::deque<HttpResponse> waitResponses_;
    std::vector<double> waitLimits_;
};
