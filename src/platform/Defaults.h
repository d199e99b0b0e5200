#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>

// The settings store underneath the preferences: a domain of typed property-list values.
//
// Values are QVariants of exactly these kinds, which are kept as stored:
//   bool, qlonglong (64-bit integer), double, QString, QDateTime (date), QByteArray (data),
//   QVariantList (array), QVariantMap (dictionary).
// An invalid QVariant means "absent".
class Defaults {
public:
    using ObserverId = quint64;

    virtual ~Defaults() = default;

    virtual QVariant object(const QString& key) const = 0;
    virtual void set(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QVariantMap dictionary() const = 0;
    // True when the application's domain was never written or holds no entry.
    virtual bool domainMissingOrEmpty() const = 0;
    // The global domain shared by all applications (read only here).
    virtual QVariant globalObject(const QString& key) const = 0;

    // Calls `onChange` on the main queue after the key's value changed, whether this process
    // or another one wrote it.
    virtual ObserverId observe(const QString& key, std::function<void()> onChange) = 0;
    virtual void unobserve(ObserverId id) = 0;
    // Whether the key's value as it stands now (or its absence) was last set by this process,
    // rather than read from what another process wrote. False for a key untouched since launch.
    virtual bool lastWrittenHere(const QString& key) const = 0;

    // Typed readers with the conversions the settings rely on.
    // bool: a bool as is; a number is true when non-zero; a string is true when it spells
    //       yes/true (any case) or a non-zero number; anything else false.
    bool boolForKey(const QString& key) const { return toBool(object(key)); }
    // integer: a number (doubles truncated), or a string holding a number; else 0.
    qint64 integerForKey(const QString& key) const { return toInteger(object(key)); }
    // double: a number, or a string holding a number; else 0.
    double doubleForKey(const QString& key) const { return toDouble(object(key)); }
    // string: the stored string, or a null QString when absent or not a string.
    QString stringForKey(const QString& key) const;

    static bool toBool(const QVariant& v);
    static qint64 toInteger(const QVariant& v);
    static double toDouble(const QVariant& v);

    // Kind tests on stored values.
    static bool isBool(const QVariant& v);
    static bool isInteger(const QVariant& v);   // a 64-bit integer (not a bool)
    static bool isNumber(const QVariant& v);    // integer or double (not a bool)
    static bool isString(const QVariant& v);
    static bool isDate(const QVariant& v);
    static bool isData(const QVariant& v);
    static bool isArray(const QVariant& v);
    static bool isDictionary(const QVariant& v);
    // Brings a value into one of the stored kinds (int -> qlonglong, float -> double, ...).
    static QVariant normalized(const QVariant& v);
};
