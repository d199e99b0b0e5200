#include "textio/ContextCapture.h"

#include "core/AppLog.h"
#include "core/Graphemes.h"
#include "platform/Accessibility.h"
#include "platform/SerialQueue.h"

#include <QTextBoundaryFinder>

namespace {
constexpr char16_t kReplacement = u'\uFFFD';
const QString kSecureLine = QStringLiteral("文脈取得: 対象外(セキュア入力)");

// Applications that count offsets in code points answer a read of n offsets with up to 2n UTF-16
// units: keep the kLimit units nearest the caret, never half of a pair.
QString lastUnits(const QString& text) {
    if (text.size() <= ContextCapture::kLimit) return text;
    QString kept = text.right(ContextCapture::kLimit);
    if (QChar::isLowSurrogate(kept.front().unicode())) kept.remove(0, 1);
    return kept;
}
QString firstUnits(const QString& text) {
    if (text.size() <= ContextCapture::kLimit) return text;
    QString kept = text.left(ContextCapture::kLimit);
    if (QChar::isHighSurrogate(kept.back().unicode())) kept.chop(1);
    return kept;
}
}  // namespace

ContextCapture::ContextCapture(Accessibility& accessibility)
    : accessibility_(accessibility), queue_(std::make_unique<SerialQueue>(QStringLiteral("context-capture"))) {}

ContextCapture::~ContextCapture() { queue_.reset(); }

void ContextCapture::capture(qint32 pid, Completion completion) {
    queue_->post([this, pid, completion = std::move(completion)] { completion(captureSync(pid)); });
}

std::optional<ContextCapture::Snapshot> ContextCapture::captureSync(qint32 pid) {
    if (accessibility_.isSecureInputOn()) {
        AppLog::write(kSecureLine);
        return std::nullopt;
    }
    auto element = accessibility_.focusedElement(pid, kTimeout);
    if (!element) return std::nullopt;
    if (element->role() == AccessibleRole::SecureTextField) {
        AppLog::write(kSecureLine);
        return std::nullopt;
    }
    const auto selection = element->selectedRange();
    if (!selection) return std::nullopt;
    const auto count = element->characterCount();
    if (!count) return std::nullopt;

    const qint64 location = selection->location;
    const qint64 length = selection->length;
    const qint64 total = *count;
    if (location < 0 || length < 0 || total < 0 || location > total || length > total - location)
        return std::nullopt;

    Snapshot snapshot;
    snapshot.pid = pid;
    if (location > 0) {
        const qint64 n = std::min(location, kLimit);
        auto text = stringForRange(*element, TextRange{location - n, n});
        if (!text) return std::nullopt;
        snapshot.before = trimReplacementCharacters(lastUnits(*text));
    }
    const qint64 start = location + length;
    const qint64 rest = total - start;
    if (rest > 0) {
        auto text = stringForRange(*element, TextRange{start, std::min(rest, kLimit)});
        if (!text) return std::nullopt;
        snapshot.after = trimReplacementCharacters(firstUnits(*text));
    }
    AppLog::write(QStringLiteral("文脈取得: 前%1字/後%2字")
                      .arg(characterCount(snapshot.before))
                      .arg(characterCount(snapshot.after)));
    return snapshot;
}

std::optional<QString> ContextCapture::stringForRange(AccessibleElement& element, const TextRange& range) {
    return element.stringForRange(range);
}

QString ContextCapture::trimReplacementCharacters(const QString& text) {
    QString result = text;
    if (!result.isEmpty() && result.front() == kReplacement) result.remove(0, 1);
    if (!result.isEmpty() && result.back() == kReplacement) result.chop(1);
    return result;
}

int ContextCapture::characterCount(const QString& text) { return int(Graphemes::count(text)); }
