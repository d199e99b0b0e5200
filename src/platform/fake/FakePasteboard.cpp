#include "platform/fake/FakePasteboard.h"

namespace {
const QString kText = QStringLiteral("text/plain;charset=utf-8");
}

std::optional<QString> FakePasteboard::text() const {
    if (auto data = view().data(kText)) return QString::fromUtf8(*data);
    if (auto data = view().data(QStringLiteral("text/plain"))) return QString::fromUtf8(*data);
    return std::nullopt;
}

quint64 FakePasteboard::setText(const QString& text) {
    ++writeCount;
    if (refuseWrites > 0) {
        --refuseWrites;
        return kRefused;
    }
    contents_.formats = {{kText, text.toUtf8()}};
    staleView_.reset();
    read_ = false;
    return ++changes_;
}

quint64 FakePasteboard::setSelectionText(const QString& text) {
    if (refuseWrites > 0) {
        --refuseWrites;
        return kRefused;
    }
    selection = text;
    read_ = false;
    return ++selectionChanges;
}

PasteboardContents FakePasteboard::selectionSnapshot() const {
    if (!selection) return {};
    return PasteboardContents{{{kText, selection->toUtf8()}}};
}

void FakePasteboard::restoreSelection(const PasteboardContents& contents) {
    if (auto data = contents.data(kText))
        selection = QString::fromUtf8(*data);
    else
        selection.reset();
    ++selectionChanges;
}

PasteboardContents FakePasteboard::snapshot() const {
    ++const_cast<FakePasteboard*>(this)->snapshotCount;
    return view();
}

quint64 FakePasteboard::restore(const PasteboardContents& contents) {
    ++writeCount;
    if (refuseWrites > 0) {
        --refuseWrites;
        return kRefused;
    }
    contents_ = contents;
    staleView_.reset();
    read_ = false;
    return ++changes_;
}

void FakePasteboard::setByOtherProgram(const PasteboardContents& contents) {
    contents_ = contents;
    staleView_.reset();
    read_ = false;
    ++changes_;
}

void FakePasteboard::setTextByOtherProgramUnseen(const QString& text) {
    PasteboardContents before = contents_;
    setTextByOtherProgram(text);
    staleView_ = std::move(before);
    lagging = true;
}

void FakePasteboard::setTextByOtherProgram(const QString& text) {
    setByOtherProgram(PasteboardContents{{{kText, text.toUtf8()}}});
}
