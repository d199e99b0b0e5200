#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

class QThread;
class QObject;

// A stand-in for the transcription service, for tests: an HTTP/1.1 server on 127.0.0.1 (a free
// port) on its own thread. It implements /v1/transcribe, /v1/cleanup, /v1/ping, /v1/prefs (GET
// and PUT), /v1/hello, the update check's version document /v1/app/latest and GET of the files
// published under /releases/ (release archives and their signatures), checks every
// request strictly against the service's wire format (method, headers, Content-Length, multipart
// framing, required fields, JSON bodies), records it, and answers from a per-path script (or
// with a sensible default answer).
//
// A request that breaks the wire format is recorded with its problems and, unless turned off,
// fails the running test.
class StandInService {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        int delayMs = 0;          // answer only after this much real time
        bool drop = false;        // close the connection without answering

        static Reply text(const QString& text);                  // 200 {"text": text}
        static Reply json(int status, const QJsonObject& object);
        static Reply error(int status, const QString& message);  // {"error": message}
        static Reply withoutError(int status);                    // {"detail": "…"}, no "error" member
        static Reply raw(int status, const QByteArray& body, const QByteArray& contentType = "text/plain");
        static Reply empty(int status = 200);                     // no body bytes at all
        static Reply delayed(int delayMs, Reply reply);
        static Reply dropConnection();
    };

    struct FilePart {
        QString name;
        QString filename;
        QString contentType;
        QByteArray data;
    };

    struct Request {
        QByteArray method;
        QString path;
        QList<QPair<QByteArray, QByteArray>> headers;  // as received, in order
        QByteArray body;
        QMap<QString, QString> fields;                 // multipart text fields
        QList<FilePart> files;                         // multipart file parts
        QJsonObject json;                              // a JSON object body
        QStringList problems;                          // where the request broke the wire format

        QByteArray header(const QByteArray& name) const;  // case-insensitive; empty when absent
        bool hasHeader(const QByteArray& name) const;
    };

    StandInService();
    ~StandInService();

    StandInService(const StandInService&) = delete;
    StandInService& operator=(const StandInService&) = delete;

    // "http://127.0.0.1:<port>"
    QString baseURL() const;
    quint16 port() const { return port_; }

    // Scripts the next answer for a path ("/v1/transcribe", …); answers are used in order.
    void enqueue(const QString& path, const Reply& reply);
    // Serves `bytes` to every GET of `path` (which begins with "/releases/"); unpublished paths
    // there answer 404.
    void publish(const QString& path, const QByteArray& bytes);
    // Whether a scripted wire-format problem fails the running test (default true).
    void setFailOnProblems(bool fail);

    QList<Request> requests() const;
    QList<Request> requests(const QString& path) const;
    // Waits (real time) until at least `count` requests were received and recorded.
    bool waitForRequests(int count, int timeoutMs = 10000) const;
    QStringList problems() const;

    // The service's copy of the word lists (what GET /v1/prefs answers).
    void setPrefs(const QString& vocabulary, const QString& corrections, const QString& updatedAt);
    QJsonObject prefs() const;

    struct Server;

private:
    void record(const Request& request);
    std::optional<Reply> nextScripted(const QString& path);

    QThread* thread_;
    QObject* anchor_;            // lives on thread_
    Server* server_ = nullptr;   // lives on thread_
    quint16 port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    QList<Request> requests_;
    std::map<QString, std::deque<Reply>> script_;
    std::map<QString, QByteArray> published_;
    QJsonObject prefs_;
    bool failOnProblems_ = true;

    friend struct Server;
};
