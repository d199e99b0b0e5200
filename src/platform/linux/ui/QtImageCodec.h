#pragma once

#include "platform/ImageCodec.h"

// Pictures through QImage and Qt's image-format plugins.
class QtImageCodec final : public ImageCodec {
public:
    bool decodes(const QByteArray& bytes) const override;
    std::optional<QByteArray> toPng(const QByteArray& bytes) const override;
};
