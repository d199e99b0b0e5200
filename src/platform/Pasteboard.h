#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// Everything the clipboard held at one moment: each format as a MIME type and its raw bytes, in
// the order the owner offered them. An empty list means an empty clipboard.
struct PasteboardContents {
    QList<QPair<QString, QByteArray>> formats;

    bool isEmpty() const { return formats.isEmpty(); }
    std::optional<QByteArray> data(const QString& mimeType) const {
        for (const auto& f : formats)
            if (f.first == mimeType) return f.second;
        return std::nullopt;
    }
    bool operator==(const PasteboardContents&) const = default;
};

// The general clipboard. Main thread only.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Grows by one with every change of the clipboard, ours or another program's.
    virtual quint64 changeCount() const = 0;
    // The plain text on the clipboard, absent when it holds none.
    virtual std::optional<QString> text() const = 0;
    // Replaces the clipboard with the text (the clipboard only: the second selection below keeps
    // its owner). Returns the new change count, or kRefused when the desktop would not hand us the
    // clipboard (X refuses a claim that looks older than the current owner's until we have seen
    // that owner's change): nothing changed then, and a later attempt may succeed.
    virtual quint64 setText(const QString& text) = 0;
    static constexpr quint64 kRefused = 0;
    // The desktop's second selection (X11's PRIMARY: what the user last selected, which some
    // terminals paste with Shift+Insert and most programs with the middle button). Absent where
    // there is none or it holds no text.
    virtual std::optional<QString> selectionText() const { return std::nullopt; }
    // Grows by one whenever a program (this one included) takes the second selection.
    virtual quint64 selectionChangeCount() const { return 0; }
    // Puts the text on the second selection; kRefused as setText. Where there is no second
    // selection nothing happens and the current change count comes back.
    virtual quint64 setSelectionText(const QString& /*text*/) { return selectionChangeCount(); }
    // Every format the second selection holds, and putting such contents back (empty contents
    // give the selection up). Nothing where there is no second selection.
    virtual PasteboardContents selectionSnapshot() const { return {}; }
    virtual void restoreSelection(const PasteboardContents& /*contents*/) {}
    // Every format the clipboard holds, read now.
    virtual PasteboardContents snapshot() const = 0;
    // False while our view of the clipboard lags the desktop's: another program has just taken
    // it and we have not been told yet, so snapshot() and text() would answer from the old
    // contents. It comes true again once the main queue has run.
    virtual bool inStep() const { return true; }
    // Replaces the clipboard with `contents` (empty contents clear it). Returns the new change
    // count, or kRefused as setText does.
    virtual quint64 restore(const PasteboardContents& contents) = 0;
    // True once another program has fetched the data of our latest write (setText, setSelectionText
    // or restore).
    virtual bool latestWriteWasRead() const = 0;
};
