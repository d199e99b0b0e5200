#pragma once

#include "platform/MainQueue.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class Defaults;

// Watches the five style notes ("styleNote." + style) by polling them every 2 s on the main
// queue. A new note of up to 2000 characters is accepted (log line, status change record, change
// callback); a longer one is replaced by the last accepted note (log line, status error record).
// Log lines and records carry a note's length, never its text.
class StyleNoteWatcher {
public:
    static constexpr double kPollSeconds = 2.0;
    static constexpr int kMaxCharacters = 2000;

    // `store` must outlive the watcher. `refreshStatus` asks the status file for a new document
    // after each record (may be empty).
    StyleNoteWatcher(Defaults& store, std::function<void()> refreshStatus);
    // Stops the poll (main thread).
    ~StyleNoteWatcher();

    StyleNoteWatcher(const StyleNoteWatcher&) = delete;
    StyleNoteWatcher& operator=(const StyleNoteWatcher&) = delete;

    // Main thread: takes the stored notes as the snapshot (nothing is reported for them) and
    // starts the poll; a second start takes a new snapshot and replaces the poll.
    // `onChange` is called after each accepted change, `onRevert` after each note put back (both
    // may be empty).
    void start(std::function<void()> onChange, std::function<void()> onRevert = {});
    // One poll: main thread.
    void poll();
    bool isRunning() const { return timer_ != 0; }

    // styleNote.standard, .formal, .junior, .friend, .lover
    static const QStringList& styleNoteKeys();

private:
    QString storedNote(const QString& key) const;

    Defaults& store_;
    std::function<void()> refreshStatus_;
    std::function<void()> onChange_;
    std::function<void()> onRevert_;
    QHash<QString, QString> noteSnapshot_;
    MainQueue::TimerId timer_ = 0;
    std::shared_ptr<StyleNoteWatcher*> alive_;
};
