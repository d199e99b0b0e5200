#include "platform/linux/QtHttpClient.h"

#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <chrono>
#include <future>
#include <memory>

namespace {

QString transportErrorText(QNetworkReply* reply) {
    switch (reply->error()) {
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return QStringLiteral("The request timed out.");
    default:
        return reply->errorString();
    }
}

}  // namespace

QtHttpClient::QtHttpClient() : thread_(new QThread), context_(new QObject), manager_(new QNetworkAccessManager) {
    thread_->setObjectName(QStringLiteral("quendle.http"));
    manager_->setCookieJar(nullptr);
    manager_->setAutoDeleteReplies(false);
    context_->moveToThread(thread_);
    manager_->moveToThread(thread_);
    thread_->start();
}

QtHttpClient::~QtHttpClient() {
    // Abandon the replies in flight (no completion runs) and delete the manager on its thread.
    QMetaObject::invokeMethod(context_, [this] {
        for (QNetworkReply* reply : manager_->findChildren<QNetworkReply*>()) {
            QObject::disconnect(reply, nullptr, nullptr, nullptr);
            reply->abort();
        }
        delete manager_;
        manager_ = nullptr;
    }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete context_;
    delete thread_;
}

void QtHttpClient::send(HttpRequest request, Completion completion) {
    QMetaObject::invokeMethod(context_, [this, request = std::move(request), completion = std::move(completion)] {
        QNetworkRequest req(request.url);
        req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        req.setTransferTimeout(std::max(1, int(request.timeoutSeconds * 1000.0)));
        for (const auto& [name, value] : request.headers) req.setRawHeader(name, value);
        QNetworkReply* reply = request.body ? manager_->sendCustomRequest(req, request.method, *request.body)
                                            : manager_->sendCustomRequest(req, request.method);
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, completion] {
            HttpResponse response;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (status.isValid() && status.toInt() > 0) {
                // An HTTP response, whatever its status: the body decides what it means.
                response = HttpResponse::reply(status.toInt(), reply->readAll());
            } else {
                response = HttpResponse::transportError(transportErrorText(reply));
            }
            reply->deleteLater();
            completion(response);
        });
    }, Qt::QueuedConnection);
}

HttpResponse QtHttpClient::sendAndWait(HttpRequest request, double waitLimitSeconds) {
    Q_ASSERT(QThread::currentThread() != thread_);
    auto promise = std::make_shared<std::promise<HttpResponse>>();
    auto future = promise->get_future();
    send(std::move(request), [promise](const HttpResponse& response) { promise->set_value(response); });
    const auto limit = std::chrono::milliseconds(qint64(std::max(0.0, waitLimitSeconds) * 1000.0));
    if (future.wait_for(limit) != std::future_status::ready) {
        return HttpResponse::transportError(QStringLiteral("The request timed out."));
    }
    return future.get();
}
