#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class LocalRecognizer;
class SpeechEngine26;

// The command-line self-check of the newer on-device engine ("--speech26-smoke <wav> [localeID]"):
// reads one recording, makes sure the locale's model is ready (preparing it, with its progress),
// recognises the recording once with the newer engine and once with the classic recogniser,
// prints each result with the time it took, and ends. Every line goes to standard output.
// Where the system has no newer engine (Linux) it says so and ends with status 0.
class Speech26Smoke {
public:
    struct Arguments {
        bool present = false;          // "--speech26-smoke" anywhere
        std::optional<QString> path;   // the argument after it
        QString locale = QStringLiteral("ja-JP");  // the one after the path, unless it starts with "-"
    };
    static Arguments parseArguments(const QStringList& arguments);
    static QString usageLine();

    struct Services {
        SpeechEngine26& engine;
        LocalRecognizer& classic;
        std::function<bool()> authorized;  // speech recognition is permitted
        std::function<void(const QString&)> printLine;
        std::function<void(int)> end;      // ends the check with this exit status (called once)
    };

    explicit Speech26Smoke(Services services) : s_(std::move(services)) {}

    // The file is read (and the engine's presence decided) before this returns; the rest goes on
    // through the main queue until `end` is called.
    void run(const QString& wavPath, const QString& locale);
    bool ended() const { return ended_; }

private:
    bool usable() const;
    void waitForModel();
    void recognise();
    void finish(int status);

    Services s_;
    QByteArray wav_;
    QString locale_;
    double deadline_ = 0;
    bool ended_ = false;
};
