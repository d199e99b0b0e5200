#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One keyboard input source (a keyboard layout or an input method engine).
struct InputSource {
    static inline const QString kKeyboardCategory = QStringLiteral("keyboard");
    static inline const QString kKeyboardLayoutType = QStringLiteral("layout");
    static inline const QString kInputMethodType = QStringLiteral("inputMethod");

    QString id;             // e.g. "xkb:us::eng", "mozc-jp"
    QStringList languages;  // BCP 47 codes, e.g. "ja", "en"; may be empty
    QString category = kKeyboardCategory;
    bool selectCapable = true;
    QString type = kKeyboardLayoutType;
};

// The physical keyboard's layout type, as the trigger-key defaults need it.
enum class KeyboardLayoutType { ANSI, ISO, JIS };

// The desktop's keyboard input sources.
class InputSourceService {
public:
    virtual ~InputSourceService() = default;
    // The source in use now; none when it cannot be told.
    virtual std::optional<InputSource> current() const = 0;
    // The enabled sources, in the desktop's order.
    virtual QList<InputSource> enabledSources() const = 0;
    // Makes `source` current: 0 on success, otherwise a non-zero status.
    virtual int select(const InputSource& source) = 0;
    virtual KeyboardLayoutType layoutType() const = 0;
};
