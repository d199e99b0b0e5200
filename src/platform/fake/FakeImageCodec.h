#pragma once

#include "platform/ImageCodec.h"

// Pictures are bytes that begin with "img" (anything else does not decode); their PNG is
// "png:" followed by those bytes.
class FakeImageCodec final : public ImageCodec {
public:
    bool decodes(const QByteArray& bytes) const override { return bytes.startsWith("img"); }
    std::optional<QByteArray> toPng(const QByteArray& bytes) const override {
        if (!decodes(bytes)) return std::nullopt;
        return QByteArray("png:") + bytes;
    }
};
