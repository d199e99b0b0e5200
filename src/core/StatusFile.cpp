#include "core/StatusFile.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/StatusDocument.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QVariantMap>

#include <filesystem>
#include <system_error>

namespace {

const QString kLastTranscribeAt = QStringLiteral("status.lastTranscribeAt");
const QString kLastAPIError = QStringLiteral("status.lastAPIError");
const QString kLastAPIErrorAt = QStringLiteral("status.lastAPIErrorAt");

// Creates the folder and its parents. On failure returns why; an existing folder is no failure,
// an existing file in its place is.
std::optional<QString> makeDirectory(const QString& path) {
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    std::error_code error;
    std::filesystem::create_directories(native, error);
    if (std::filesystem::is_directory(native)) return std::nullopt;
    // The system's own text is English; the log is not.
    return QStringLiteral("フォルダを作れません（") + path + QStringLiteral("）");
}

// Temporary file beside the target, then rename over it. On failure returns why; the old file
// stays as it was.
std::optional<QString> writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("書き込み先を開けません（") + path + QStringLiteral("）");
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return QStringLiteral("書き込めません（ディスクの空きを確かめてください）");
    }
    if (!file.commit()) return QStringLiteral("置き換えられません（") + path + QStringLiteral("）");
    return std::nullopt;
}

}  // namespace

struct StatusFile::WriterState {
    // Compact JSON of the last document written, without `updatedAt`; null before the first.
    QByteArray lastWrittenData;
    // Why the last write failed, while writes keep failing (logged once per reason).
    std::optional<QString> failure;
};

StatusFile::StatusFile(Permissions* permissions)
    : permissions_(permissions), writer_(std::make_shared<WriterState>()), alive_(std::make_shared<StatusFile*>(this)) {}

StatusFile::~StatusFile() {
    *alive_ = nullptr;
    queue_.reset();  // runs what was handed over, then joins
}

QString StatusFile::directoryPath() { return Files::inHome(QStringLiteral("Library/Application Support/Quendle")); }

QString StatusFile::filePath() { return directoryPath() + QStringLiteral("/status.json"); }

// ---- records

void StatusFile::noteTranscribed() {
    Defaults& defaults = AppPrefs::defaults();
    defaults.set(kLastTranscribeAt, Clock::currentDateTime());
    defaults.remove(kLastAPIError);
    refresh();
}

void StatusFile::noteAPIError(const QString& message) {
    Defaults& defaults = AppPrefs::defaults();
    defaults.set(kLastAPIError, message);
    defaults.set(kLastAPIErrorAt, Clock::currentDateTime());
    refresh();
}

void StatusFile::noteConfigChange(const QString& key, const QString& value) {
    const QVariantMap record{
        {QStringLiteral("key"), key},
        {QStringLiteral("value"), Graphemes::first(value, kConfigValueCharacters)},
        {QStringLiteral("at"), StatusDocument::timestamp(Clock::currentDateTime())},
    };
    AppPrefs::defaults().set(QStringLiteral("status.lastConfigChange"), record);
}

void StatusFile::noteConfigError(const QString& key, const QString& value, const QString& reason) {
    const QVariantMap record{
        {QStringLiteral("key"), key},
        {QStringLiteral("value"), Graphemes::first(value, kConfigValueCharacters)},
        {QStringLiteral("reason"), reason},
        {QStringLiteral("at"), StatusDocument::timestamp(Clock::currentDateTime())},
    };
    AppPrefs::defaults().set(QStringLiteral("status.lastConfigError"), record);
}

// ---- coalescing and writing

void StatusFile::refresh() {
    // Always a hop, also on the main thread: a caller in the middle of a change finishes it first.
    std::weak_ptr<StatusFile*> weak = alive_;
    MainQueue::post([weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).scheduleWrite();
    });
}

void StatusFile::scheduleWrite() {
    if (writePending_) return;  // the flush already scheduled reads the latest state
    writePending_ = true;
    std::weak_ptr<StatusFile*> weak = alive_;
    MainQueue::after(kCoalesceSeconds, [weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).flush();
    });
}

QJsonObject StatusFile::buildDocument() {
    if (!startedAt_) startedAt_ = Clock::currentDateTime();
    return StatusDocument::build(permissions_, *startedAt_);
}

void StatusFile::flush() {
    writePending_ = false;
    QJsonObject document = buildDocument();
    const QDateTime now = Clock::currentDateTime();
    if (!queue_) queue_ = std::make_unique<SerialQueue>(QStringLiteral("orvane.status"));
    queue_->post([state = writer_, document = std::move(document), now]() mutable {
        write(*state, std::move(document), now);
    });
}

void StatusFile::write(WriterState& state, QJsonObject document, const QDateTime& now) {
    const QByteArray compact = QJsonDocument(document).toJson(QJsonDocument::Compact);
    if (!state.lastWrittenData.isNull() && state.lastWrittenData == compact) return;

    document.insert(QStringLiteral("updatedAt"), StatusDocument::timestamp(now));
    const QByteArray pretty = QJsonDocument(document).toJson(QJsonDocument::Indented);

    std::optional<QString> failure = makeDirectory(directoryPath());
    if (!failure) failure = writeAtomically(filePath(), pretty);
    if (failure) {
        // Not remembered as written: the next refresh (the 5 s tick at the latest) tries again,
        // until the file is there. The same reason is logged once, not at every tick.
        if (state.failure != failure) AppLog::write(QStringLiteral("status.json を書けなかった: ") + *failure);
        state.failure = failure;
        return;
    }
    state.failure.reset();
    state.lastWrittenData = compact;
}

void StatusFile::waitForWrites() {
    if (queue_) queue_->sync([] {});
}
