#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

class Accessibility;
class AccessibleElement;
class SerialQueue;
struct TextRange;

// Reads the text around the caret of the focused field of an application, over the accessibility
// bus and off the main thread, on its own serial queue "context-capture".
class ContextCapture {
public:
    // Up to 2000 UTF-16 units of text before and after the caret (the selection itself in
    // neither), and the process that was read. At most 2000 of the application's own offsets are
    // read on each side, never the whole text. There is no snapshot at all for a password field,
    // while secure input is on, or when the application could not be read.
    struct Snapshot {
        QString before;
        QString after;
        qint32 pid = 0;
        bool isEmpty() const { return before.isEmpty() && after.isEmpty(); }
    };

    static constexpr qint64 kLimit = 2000;       // offsets read, and UTF-16 units kept, per side
    static constexpr double kTimeout = 0.25;     // per accessibility request

    using Completion = std::function<void(std::optional<Snapshot>)>;

    explicit ContextCapture(Accessibility& accessibility);
    ~ContextCapture();  // waits for a running capture
    ContextCapture(const ContextCapture&) = delete;
    ContextCapture& operator=(const ContextCapture&) = delete;

    // Captures on the "context-capture" queue and calls `completion` there (not on the main
    // queue): the caller hops to the main queue and drops answers it no longer wants.
    void capture(qint32 pid, Completion completion);
    // Blocking; each accessibility request waits at most kTimeout.
    std::optional<Snapshot> captureSync(qint32 pid);

    // The text of `range`, absent when the read fails.
    static std::optional<QString> stringForRange(AccessibleElement& element, const TextRange& range);
    // Removes one U+FFFD from the start and then one from the end, when there is one.
    static QString trimReplacementCharacters(const QString& text);
    // Characters as the user sees them (grapheme clusters).
    static int characterCount(const QString& text);

private:
    Accessibility& accessibility_;
    std::unique_ptr<SerialQueue> queue_;
};
