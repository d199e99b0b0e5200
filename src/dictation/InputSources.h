#pragma once

#include "core/AppPrefs.h"
#include "platform/InputSourceService.h"

#include <QList>
#include <QStringList>
#include <optional>

// Classifies the current keyboard input source by language and selects a source for a spoken
// language. Keyboard language: 0 = Japanese, 1 = English; every other value selects Japanese.
// Stateless: every call reads the desktop's sources afresh.
class InputSources {
public:
    static constexpr int kJapanese = 0;
    static constexpr int kEnglish = 1;

    explicit InputSources(InputSourceService& service);

    int currentKeyboardLanguage() const;
    // True when the current source already has the language or the switch succeeded.
    bool switchInputSource(int language);

    // The pieces, for callers that hold sources of their own.
    static int languageOf(const std::optional<InputSource>& source);
    static QList<InputSource> selectCapable(const QList<InputSource>& sources);
    static bool isJapaneseMode(const InputSource& source);
    static std::optional<InputSource> pick(int language, const QList<InputSource>& sources);

    // Makes AppPrefs ask `service` for the keyboard layout type (the service must outlive its use).
    static void installLayoutProvider(InputSourceService* service);
    static AppPrefs::KeyboardLayout toPrefsLayout(KeyboardLayoutType type);

private:
    InputSourceService& service_;
};
