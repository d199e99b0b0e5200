#include "platform/linux/ui/QtPasteboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSet>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

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
        if (mode == QClipboard::Selection) ++selectionChanges_;
    });
}

QtPasteboard::~QtPasteboard() = default;

std::optional<QString> QtPasteboard::text() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText()) return std::nullopt;
    return data->text();
}

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    free(reply);
    return atom;
}

// Whether the X server names one of our windows as the owner of CLIPBOARD (or PRIMARY). Qt takes
// a claim for granted, but the server ignores one whose time is older than the current owner's
// (our idea of the server time lags until we have processed the news of that owner's change).
// Off X11 the clipboard lives in our process and every claim holds.
bool serverGrantedClaim(bool primary) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return true;
    static const xcb_atom_t clipboardAtom = internAtom(connection, "CLIPBOARD");
    const xcb_atom_t atom = primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : clipboardAtom;
    if (atom == XCB_NONE) return true;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom), nullptr);
    if (!reply) return true;  // no answer: do not hold the paste back on a guess
    const xcb_window_t owner = reply->owner;
    free(reply);
    // Resource ids carry the id base of the client that made them.
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return owner != XCB_NONE && (owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

}  // namespace

bool QtPasteboard::inStep() const {
    // Qt answers from our own data while it believes we own the clipboard; the server may
    // already have given it to another program whose claim we have not processed yet.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return !dynamic_cast<const WatchedMimeData*>(data) || serverGrantedClaim(false);
}

bool QtPasteboard::claimed(bool selection) {
    if (serverGrantedClaim(selection)) return true;
    // Qt still thinks the claim holds; drop it so that the next one starts clean.
    QGuiApplication::clipboard()->clear(selection ? QClipboard::Selection : QClipboard::Clipboard);
    return false;
}

std::optional<QString> QtPasteboard::selectionText() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) return std::nullopt;
    const QMimeData* data = clipboard->mimeData(QClipboard::Selection);
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
    const bool granted = claimed(false);
    writing_ = false;
    return granted ? ++changes_ : kRefused;
}

quint64 QtPasteboard::setSelectionText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) return selectionChanges_;
    *read_ = false;
    auto* data = new WatchedMimeData(read_);
    data->setText(text);
    clipboard->setMimeData(data, QClipboard::Selection);
    return claimed(true) ? selectionChanges_ : kRefused;
}

namespace {

// Targets of the X selection protocol itself (and handles into the owner's own resources): never
// data to keep.
bool isProtocolTarget(const QString& format) {
    static const QSet<QString> targets = {
        QStringLiteral("TARGETS"),         QStringLiteral("MULTIPLE"),        QStringLiteral("TIMESTAMP"),
        QStringLiteral("SAVE_TARGETS"),    QStringLiteral("DELETE"),          QStringLiteral("INSERT_SELECTION"),
        QStringLiteral("INSERT_PROPERTY"), QStringLiteral("INCR"),            QStringLiteral("BITMAP"),
        QStringLiteral("PIXMAP"),          QStringLiteral("DRAWABLE"),        QStringLiteral("COLORMAP"),
    };
    return targets.contains(format);
}

bool isImage(const QString& format) { return format.startsWith(QLatin1String("image/")); }

}  // namespace

PasteboardContents QtPasteboard::snapshot() const { return snapshotOf(QClipboard::Clipboard); }

PasteboardContents QtPasteboard::selectionSnapshot() const {
    if (!QGuiApplication::clipboard()->supportsSelection()) return {};
    return snapshotOf(QClipboard::Selection);
}

PasteboardContents QtPasteboard::snapshotOf(int mode) const {
    PasteboardContents contents;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(static_cast<QClipboard::Mode>(mode));
    if (!data) return contents;
    auto* ours = dynamic_cast<const WatchedMimeData*>(data);
    if (ours) const_cast<WatchedMimeData*>(ours)->markSelf(true);
    const QStringList formats = data->formats();
    // An image is offered in many encodings of the same pixels (Qt programs offer a dozen, some
    // of them megabytes). Fetching each one keeps the first paste waiting, so one lossless
    // encoding is kept and restore() offers every encoding again from it.
    QString imageFormat;
    if (formats.contains(kPng))
        imageFormat = kPng;
    else
        for (const QString& format : formats)
            if (isImage(format)) {
                imageFormat = format;
                break;
            }
    for (const QString& format : formats) {
        if (isProtocolTarget(format)) continue;
        if (format == kQtImage) {
            // Qt's in-process image: keep it as PNG, which every program reads.
            if (!imageFormat.isEmpty() || !data->hasImage()) continue;
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
            if (!png.isEmpty()) contents.formats.append({kPng, png});
            continue;
        }
        if (isImage(format) && format != imageFormat) continue;
        contents.formats.append({format, data->data(format)});
    }
    if (ours) const_cast<WatchedMimeData*>(ours)->markSelf(false);
    return contents;
}

namespace {

// Data offering `contents` again: every format as it was, and an image in every encoding.
WatchedMimeData* dataFor(const PasteboardContents& contents, std::shared_ptr<bool> read) {
    auto* data = new WatchedMimeData(std::move(read));
    for (const auto& [format, bytes] : contents.formats) {
        if (isImage(format)) {
            // The image itself too, so that every encoding is offered again, made on request.
            QImage image;
            if (image.loadFromData(bytes, format.mid(6).toLatin1().constData()) || image.loadFromData(bytes))
                data->setImageData(image);
        }
        data->setData(format, bytes);
    }
    return data;
}

}  // namespace

quint64 QtPasteboard::restore(const PasteboardContents& contents) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    *read_ = false;
    writing_ = true;
    if (contents.isEmpty()) {
        clipboard->clear(QClipboard::Clipboard);
    } else {
        clipboard->setMimeData(dataFor(contents, read_), QClipboard::Clipboard);
        if (!claimed(false)) {
            writing_ = false;
            return kRefused;
        }
    }
    writing_ = false;
    return ++changes_;
}

void QtPasteboard::restoreSelection(const PasteboardContents& contents) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) return;
    if (contents.isEmpty())
        clipboard->clear(QClipboard::Selection);
    else
        clipboard->setMimeData(dataFor(contents, std::make_shared<bool>(false)), QClipboard::Selection);
}
