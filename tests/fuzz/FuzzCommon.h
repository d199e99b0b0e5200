#pragma once

// Shared by the fuzz targets: the input as bytes or as text, and a quiet Qt.
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

inline QByteArray fuzzBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString fuzzText(const uint8_t* data, size_t size) { return QString::fromUtf8(fuzzBytes(data, size)); }

// Qt's warnings about odd input are expected here; they would only slow the run down.
inline void quietQt() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}
