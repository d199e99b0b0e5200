#pragma once

#include <QByteArray>
#include <optional>

// Decodes picture files (PNG, JPEG, GIF and whatever else the desktop's image readers know) and
// encodes pictures as PNG. Any thread.
class ImageCodec {
public:
    virtual ~ImageCodec() = default;
    // Whether the bytes decode into a picture.
    virtual bool decodes(const QByteArray& bytes) const = 0;
    // The picture in `bytes`, encoded as PNG; absent when the bytes do not decode.
    virtual std::optional<QByteArray> toPng(const QByteArray& bytes) const = 0;
};
