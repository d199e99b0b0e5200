#pragma once

#include "platform/Pasteboard.h"

#include <QObject>
#include <memory>

// The clipboard over QClipboard (on X11: the CLIPBOARD selection; text we write also goes to
// PRIMARY, which xterm-like terminals paste). We keep owning what we wrote until we replace it,
// and we learn when another program fetches it: on X11 each selection request we serve reads
// our data object. Main thread only.
class QtPasteboard final : public QObject, public Pasteboard {
public:
    QtPasteboard();
    ~QtPasteboard() override;

    quint64 changeCount() const override { return changes_; }
    std::optional<QString> text() const override;
    quint64 setText(const QString& text) override;
    quint64 setClipboardText(const QString& text) override;
    std::optional<QString> selectionText() const override;
    quint64 selectionChangeCount() const override { return selectionChanges_; }
    PasteboardContents snapshot() const override;
    bool inStep() const override;
    quint64 restore(const PasteboardContents& contents) override;
    bool latestWriteWasRead() const override { return *read_; }

private:
    // After a claim of CLIPBOARD: whether the desktop granted it (a refused one is dropped).
    bool claimed();
    quint64 writeText(const QString& text, bool alsoSelection);

    quint64 changes_ = 0;
    quint64 selectionChanges_ = 0;
    bool writing_ = false;
    std::shared_ptr<bool> read_;
};
