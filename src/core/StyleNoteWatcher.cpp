#include "core/StyleNoteWatcher.h"

#include "core/AppLog.h"
#include "core/Graphemes.h"
#include "core/StatusDocument.h"
#include "core/StatusFile.h"
#include "platform/Defaults.h"

StyleNoteWatcher::StyleNoteWatcher(Defaults& store, std::function<void()> refreshStatus)
    : store_(store), refreshStatus_(std::move(refreshStatus)), alive_(std::make_shared<StyleNoteWatcher*>(this)) {}

StyleNoteWatcher::~StyleNoteWatcher() {
    *alive_ = nullptr;
    MainQueue::cancel(timer_);
}

const QStringList& StyleNoteWatcher::styleNoteKeys() {
    static const QStringList keys{QStringLiteral("styleNote.standard"), QStringLiteral("styleNote.formal"),
                                  QStringLiteral("styleNote.junior"), QStringLiteral("styleNote.friend"),
                                  QStringLiteral("styleNote.lover")};
    return keys;
}

QString StyleNoteWatcher::storedNote(const QString& key) const {
    const QString note = store_.stringForKey(key);
    return note.isNull() ? QString(QLatin1String("")) : note;
}

void StyleNoteWatcher::start(std::function<void()> onChange, std::function<void()> onRevert) {
    onChange_ = std::move(onChange);
    onRevert_ = std::move(onRevert);
    noteSnapshot_.clear();
    for (const QString& key : styleNoteKeys()) noteSnapshot_.insert(key, storedNote(key));
    // One poll at a time: a timer of an earlier start is stopped, not left running beside the new one.
    MainQueue::cancel(timer_);
    std::weak_ptr<StyleNoteWatcher*> weak = alive_;
    timer_ = MainQueue::every(kPollSeconds, [weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).poll();
    });
}

void StyleNoteWatcher::poll() {
    const std::weak_ptr<StyleNoteWatcher*> weak = alive_;
    for (const QString& key : styleNoteKeys()) {
        const QString value = storedNote(key);
        const auto seen = noteSnapshot_.constFind(key);
        if (seen != noteSnapshot_.constEnd() && *seen == value) continue;

        const qsizetype count = Graphemes::count(value);
        const QString length = QString::number(count) + QStringLiteral("文字");
        if (count > kMaxCharacters) {
            store_.set(key, noteSnapshot_.value(key, QStringLiteral("")));
            AppLog::write(QStringLiteral("外からの口調メモを無視した: ") + key + QStringLiteral("（") + length +
                          QStringLiteral("）"));
            StatusFile::noteConfigError(key, length, QStringLiteral("2000 文字までです"));
            if (refreshStatus_) refreshStatus_();
            if (onRevert_) {
                const std::function<void()> callback = onRevert_;
                callback();
                if (weak.expired()) return;
            }
            continue;
        }
        noteSnapshot_.insert(key, value);
        AppLog::write(QStringLiteral("外から口調メモが変わった: ") + key + QStringLiteral("（") + length +
                      QStringLiteral("）"));
        StatusFile::noteConfigChange(key, length);
        if (onChange_) {
            const std::function<void()> callback = onChange_;
            callback();
            if (weak.expired()) return;  // the callback let the watcher go
        }
        if (refreshStatus_) refreshStatus_();
    }
}
