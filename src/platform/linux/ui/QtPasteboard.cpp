#include "platform/linux/ui/QtPasteboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {

const QString kQtImage = QStringLiteral("application/x-qt-image");
const QString kPng = QStringLiteral("image/png");

// Data we put on a selection. Serving a selection request to another program reads the data
// through retrieveData, which tells us the target has fetched it.
class WatchedMimeData final : public QMimeData {
public:
    explicit WatchedMimeData(std::shared_ptr<bool> read) : read_(std::move(read)) {}
    void markSelf(bool self) { selfReading_ = self; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (!selfReading_) *read_ = true;
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    std::shared_ptr<bool> read_;
    bool selfReading_ = false;
};

}  // namespace

QtPasteboard::QtPasteboard() : read_(std::make_shared<bool>(false)) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    connect(clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !writing_) ++changes_;
    });
}

QtPasteboard::~QtPasteboard() = default;

std::optional<QString> QtPasteboard::text() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText()) return std::nullopt;
    return data->text();
}

quint64 QtPasteboard::setText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    *read_ = false;
    writing_ = true;
    auto* data = new WatchedMimeData(read_);
    data->setText(text);
    clipboard->setMimeData(data, QClipboard::Clipboard);
    if (clipboard->supportsSelection()) {
        auto* primary = new WatchedMimeData(read_);
        primary->setText(text);
        clipboard->setMimeData(primary, QClipboard::Selection);
    }
    writing_ = false;
    return ++changes_;
}

PasteboardContents QtPasteboard::snapshot() const {
    PasteboardContents contents;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data) return contents;
    auto* ours = dynamic_cast<const WatchedMimeData*>(data);
    if (ours) const_cast<WatchedMimeData*>(ours)->markSelf(true);
    const QStringList formats = data->formats();
    for (const QString& format : formats) {
        if (format == kQtImage) {
            // Qt's in-process image: keep it as PNG, which every program reads.
            if (formats.contains(kPng) || !data->hasImage()) continue;
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
            if (!png.isEmpty()) contents.formats.append({kPng, png});
            continue;
        }
        contents.formats.append({format, data->data(format)});
    }
    if (ours) const_cast<WatchedMimeData*>(ours)->markSelf(false);
    return contents;
}

quint64 QtPasteboard::restore(const PasteboardContents& contents) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    *read_ = false;
    writing_ = true;
    if (contents.isEmpty()) {
        clipboard->clear(QClipboard::Clipboard);
    } else {
        auto* data = new WatchedMimeData(read_);
        for (const auto& [format, bytes] : contents.formats) data->setData(format, bytes);
        clipboard->setMimeData(data, QClipboard::Clipboard);
    }
    writing_ = false;
    return ++changes_;
}
