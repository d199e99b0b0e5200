#include "platform/linux/ui/QtImageCodec.h"

#include <QBuffer>
#include <QImage>

bool QtImageCodec::decodes(const QByteArray& bytes) const {
    QImage image;
    return image.loadFromData(bytes) && !image.isNull();
}

std::optional<QByteArray> QtImageCodec::toPng(const QByteArray& bytes) const {
    QImage image;
    if (!image.loadFromData(bytes) || image.isNull()) return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG") || png.isEmpty()) return std::nullopt;
    return png;
}
