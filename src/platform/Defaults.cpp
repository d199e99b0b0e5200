#include "platform/Defaults.h"

#include <QDateTime>
#include <cmath>
#include <limits>

namespace {
int typeOf(const QVariant& v) { return v.metaType().id(); }

bool parseNumber(const QString& text, double* out) {
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (ok) *out = d;
    return ok;
}

qint64 clampToInteger(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2233720368547758e18) return std::numeric_limits<qint64>::max();
    if (d <= -9.2233720368547758e18) return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(d);
}
}  // namespace

bool Defaults::isBool(const QVariant& v) { return typeOf(v) == QMetaType::Bool; }

bool Defaults::isInteger(const QVariant& v) {
    switch (typeOf(v)) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool Defaults::isNumber(const QVariant& v) {
    return isInteger(v) || typeOf(v) == QMetaType::Double || typeOf(v) == QMetaType::Float;
}

bool Defaults::isString(const QVariant& v) { return typeOf(v) == QMetaType::QString; }
bool Defaults::isDate(const QVariant& v) { return typeOf(v) == QMetaType::QDateTime; }
bool Defaults::isData(const QVariant& v) { return typeOf(v) == QMetaType::QByteArray; }
bool Defaults::isArray(const QVariant& v) { return typeOf(v) == QMetaType::QVariantList; }
bool Defaults::isDictionary(const QVariant& v) { return typeOf(v) == QMetaType::QVariantMap; }

QVariant Defaults::normalized(const QVariant& v) {
    if (!v.isValid()) return v;
    if (isBool(v)) return QVariant(v.toBool());
    if (isInteger(v)) return QVariant(static_cast<qlonglong>(v.toLongLong()));
    if (typeOf(v) == QMetaType::Float) return QVariant(static_cast<double>(v.toFloat()));
    if (typeOf(v) == QMetaType::QStringList) {
        QVariantList list;
        for (const QString& s : v.toStringList()) list.append(s);
        return list;
    }
    if (isArray(v)) {
        QVariantList list;
        for (const QVariant& item : v.toList()) list.append(normalized(item));
        return list;
    }
    if (isDictionary(v)) {
        QVariantMap map;
        const QVariantMap in = v.toMap();
        for (auto it = in.begin(); it != in.end(); ++it) map.insert(it.key(), normalized(it.value()));
        return map;
    }
    if (typeOf(v) == QMetaType::QVariantHash) {
        QVariantMap map;
        const QVariantHash in = v.toHash();
        for (auto it = in.begin(); it != in.end(); ++it) map.insert(it.key(), normalized(it.value()));
        return map;
    }
    return v;
}

QString Defaults::stringForKey(const QString& key) const {
    const QVariant v = object(key);
    return isString(v) ? v.toString() : QString();
}

bool Defaults::toBool(const QVariant& v) {
    if (isBool(v)) return v.toBool();
    if (isInteger(v)) return v.toLongLong() != 0;
    if (isNumber(v)) return v.toDouble() != 0.0;
    if (isString(v)) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0) return true;
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        if (s.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0) return true;
        double d = 0;
        return parseNumber(s, &d) && d != 0.0;
    }
    return false;
}

qint64 Defaults::toInteger(const QVariant& v) {
    if (isBool(v)) return v.toBool() ? 1 : 0;
    if (isInteger(v)) return v.toLongLong();
    if (isNumber(v)) return clampToInteger(v.toDouble());
    if (isString(v)) {
        double d = 0;
        return parseNumber(v.toString(), &d) ? clampToInteger(d) : 0;
    }
    return 0;
}

double Defaults::toDouble(const QVariant& v) {
    if (isBool(v)) return v.toBool() ? 1.0 : 0.0;
    if (isNumber(v)) return v.toDouble();
    if (isString(v)) {
        double d = 0;
        return parseNumber(v.toString(), &d) ? d : 0.0;
    }
    return 0.0;
}
