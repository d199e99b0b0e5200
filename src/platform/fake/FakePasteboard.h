#pragma once

#include "platform/Pasteboard.h"

// An in-memory clipboard. Tests play the other programs: readByOtherProgram() marks our latest
// write as fetched, setByOtherProgram() replaces the contents as another owner would.
class FakePasteboard final : public Pasteboard {
public:
    quint64 changeCount() const override { return changes_; }
    std::optional<QString> text() const override;
    quint64 setText(const QString& text) override;
    PasteboardContents snapshot() const override;
    quint64 restore(const PasteboardContents& contents) override;
    bool latestWriteWasRead() const override { return read_; }
    // The second selection, as text.
    std::optional<QString> selectionText() const override { return selection; }
    quint64 selectionChangeCount() const override { return selectionChanges; }
    quint64 setSelectionText(const QString& text) override;
    PasteboardContents selectionSnapshot() const override;
    void restoreSelection(const PasteboardContents& contents) override;
    // Another program takes the second selection with `text`.
    void selectByOtherProgram(const QString& text) {
        selection = text;
        ++selectionChanges;
    }
    std::optional<QString> selection;
    quint64 selectionChanges = 0;

    void readByOtherProgram() { read_ = true; }
    void setByOtherProgram(const PasteboardContents& contents);
    void setTextByOtherProgram(const QString& text);
    // Another program takes the clipboard with `text` before we have been told: `lagging` is set,
    // and until it is cleared text() and snapshot() answer from what the clipboard held before.
    void setTextByOtherProgramUnseen(const QString& text);
    const PasteboardContents& contents() const { return contents_; }

    bool inStep() const override { return !lagging; }
    bool lagging = false;   // inStep() answers false while this is set
    int refuseWrites = 0;   // this many setText/setSelectionText/restore calls are refused (kRefused)
    int snapshotCount = 0;  // snapshots taken
    int writeCount = 0;     // setText and restore calls

private:
    // What we see while lagging, when it differs from the contents.
    const PasteboardContents& view() const { return lagging && staleView_ ? *staleView_ : contents_; }

    PasteboardContents contents_;
    std::optional<PasteboardContents> staleView_;
    quint64 changes_ = 0;
    bool read_ = false;
};
