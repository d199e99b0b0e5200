#pragma once

#include "platform/Pasteboard.h"

#include <QObject>
#include <memory>

// The clipboard over QClipboard (on X11: the CLIPBOARD selection, and PRIMARY as the second
// selection). We keep owning what we wrote until we replace it,
// and we learn when another program fetches it: on X11 each selection request we serve reads
// our data object. Main thread only.
class QtPasteboard final : public QObject, public Pasteboard {
public:
    QtPasteboard();
    ~QtPasteboard() override;

    quint64 changeCount() const override { return changes_; }
    std::optional<QString> text() const override;
    quint64 setText(const QString& text) override;
    std::optional<QString> selectionText() const override;
    quint64 selectionChangeCount() const override { return selectionChanges_; }
    quint64 setSelectionText(const QString& text) override;
    PasteboardContents selectionSnapshot() const override;
    void restoreSelection(const PasteboardContents& contents) override;
    PasteboardContents snapshot() const override;
    bool inStep() const override;
    quint64 restore(const PasteboardContents& contents) override;
    bool latestWriteWasRead() const override { return *read_; }

private:
    // After a claim of CLIPBOARD or PRIMARY: whether the desktop granted it (a refused one is
    // dropped).
    bool claimed(bool selection);
    PasteboardContents snapshotOf(int mode) const;

    quint64 changes_ = 0;
    quint64 selectionChanges_ = 0;
    bool writing_ = false;
    std::shared_ptr<bool> read_;
};
