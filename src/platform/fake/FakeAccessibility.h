#pragma once

#include "platform/Accessibility.h"

#include <QHash>
#include <QMap>
#include <atomic>
#include <functional>

// A focused element with settable text, selection and attributes. Counts the text reads.
class FakeAccessibleElement final : public AccessibleElement {
public:
    std::optional<AccessibleRole> elementRole = AccessibleRole::TextArea;
    QString text;
    std::optional<TextRange> selection = TextRange{0, 0};
    std::optional<qint64> countOverride;           // reported instead of text.size() when set
    bool failRangeReads = false;
    std::optional<QString> replaceReadWith;         // every range read answers this instead
    std::optional<QStringList> domClasses;
    QMap<AccessibleAttribute, QString> attributes;
    QList<TextRange> rangeReads;
    // Caret and selection rectangles: each range read answers `boundsFor` when set, else a fixed
    // rectangle. Every request is recorded.
    std::function<std::optional<QRect>(TextRange)> boundsFor;
    QList<TextRange> boundsReads;
    std::optional<QRect> elementFrame;

    std::optional<AccessibleRole> role() override { return elementRole; }
    std::optional<TextRange> selectedRange() override { return selection; }
    std::optional<qint64> characterCount() override { return countOverride ? countOverride : text.size(); }
    std::optional<QString> stringForRange(TextRange range) override {
        rangeReads.append(range);
        if (failRangeReads) return std::nullopt;
        if (replaceReadWith) return replaceReadWith;
        if (range.location < 0 || range.length < 0 || range.location + range.length > text.size()) return std::nullopt;
        return text.mid(range.location, range.length);
    }
    std::optional<QRect> boundsForRange(TextRange range) override {
        boundsReads.append(range);
        if (boundsFor) return boundsFor(range);
        return QRect(100, 200, 2, 18);
    }
    std::optional<QRect> frame() override { return elementFrame; }
    std::optional<QStringList> domClassList() override { return domClasses; }
    std::optional<QString> attribute(AccessibleAttribute which) override {
        if (!attributes.contains(which)) return std::nullopt;
        return attributes.value(which);
    }
};

// Applications by process id, each with its focused element (or none), and the element that last
// took the focus anywhere on the desktop.
class FakeAccessibility final : public Accessibility {
public:
    std::atomic<bool> secureInput = false;
    QHash<qint32, std::shared_ptr<FakeAccessibleElement>> focused;
    std::function<void(qint32)> onFocusedElement;  // runs inside focusedElement (e.g. to block)
    std::atomic<int> focusedCalls = 0;
    double lastTimeout = 0;
    QHash<qint32, QRect> windowFrames;
    std::shared_ptr<FakeAccessibleElement> desktopFocused;  // the desktop's last focus, or none
    std::atomic<int> desktopFocusedCalls = 0;

    bool isSecureInputOn() override { return secureInput; }
    std::shared_ptr<AccessibleElement> focusedElement(qint32 pid, double timeoutSeconds) override {
        ++focusedCalls;
        lastTimeout = timeoutSeconds;
        if (onFocusedElement) onFocusedElement(pid);
        return focused.value(pid);
    }
    std::shared_ptr<AccessibleElement> desktopFocusedElement(double timeoutSeconds) override {
        ++desktopFocusedCalls;
        lastTimeout = timeoutSeconds;
        return desktopFocused;
    }
    std::optional<QRect> focusedWindowFrame(qint32 pid, double) override {
        if (!windowFrames.contains(pid)) return std::nullopt;
        return windowFrames.value(pid);
    }
};
