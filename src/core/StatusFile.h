#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <memory>
#include <optional>

class Permissions;
class SerialQueue;

// The status file, ~/Library/Application Support/Quendle/status.json: a machine-readable account
// of the running application (see StatusDocument) for the user, support scripts and other tools.
//
// The records it reports live in the defaults (they outlive the process): `status.lastTranscribeAt`,
// `status.lastAPIError`, `status.lastAPIErrorAt`, `status.lastConfigChange`, `status.lastConfigError`.
//
// refresh() asks for a new document; requests within 0.2 s make one document, built on the main
// queue and written on the serial queue "orvane.status". The file is rewritten only when its
// content (without `updatedAt`) changed since the last write, so the 5 s refresh timer costs
// no disk writes on an idle system; a write that failed is tried again at the next refresh.
class StatusFile {
public:
    // `permissions` may be null: every permission then reads "notDetermined". Not owned.
    explicit StatusFile(Permissions* permissions = nullptr);
    // Lets writes already handed to the status queue finish.
    virtual ~StatusFile();

    StatusFile(const StatusFile&) = delete;
    StatusFile& operator=(const StatusFile&) = delete;

    // A dictated text was delivered: records the time, clears the last service error (its time
    // stays) and refreshes.
    virtual void noteTranscribed();
    // A service request failed: records the message and the time, and refreshes.
    virtual void noteAPIError(const QString& message);
    // Any thread: asks for a new document, coalesced on the main queue. Returns at once.
    virtual void refresh();

    // A watched setting changed from outside and was accepted / rejected. Values are kept to
    // their first 120 characters. They do not refresh: the caller does.
    static void noteConfigChange(const QString& key, const QString& value);
    static void noteConfigError(const QString& key, const QString& value, const QString& reason);

    static QString directoryPath();
    static QString filePath();

    // The document as it stands now, without `updatedAt` (main thread). The first call fixes
    // the start time reported from then on.
    QJsonObject buildDocument();

    // Waits until every write handed to the status queue so far has finished.
    void waitForWrites();

    static constexpr double kCoalesceSeconds = 0.2;
    static constexpr int kConfigValueCharacters = 120;

private:
    struct WriterState;

    void scheduleWrite();
    void flush();
    static void write(WriterState& state, QJsonObject document, const QDateTime& now);

    Permissions* permissions_;
    bool writePending_ = false;
    std::optional<QDateTime> startedAt_;
    std::shared_ptr<WriterState> writer_;  // touched on the status queue only
    std::unique_ptr<SerialQueue> queue_;   // started with the first write
    std::shared_ptr<StatusFile*> alive_;
};
