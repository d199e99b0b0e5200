#include "dictation/InputSources.h"

#include "core/AppLog.h"

#include <atomic>

namespace {

const QStringList& japaneseWords() {
    static const QStringList words{"japanese", "kotoeri", "hiragana", "katakana", "romaji",
                                   "com.apple.inputmethod.kotoeri", "com.apple.characterpaletteim"};
    return words;
}

const QStringList& englishWords() {
    static const QStringList words{"abc", "u.s.", "us", "british", "australian", "canadian", "english",
                                   "com.apple.keylayout.abc", "com.apple.keylayout.us",
                                   "com.apple.keylayout.british"};
    return words;
}

const QStringList& preferredJapanese() {
    static const QStringList ids{"com.apple.inputmethod.kotoeri.romajityping.japanese",
                                 "com.apple.inputmethod.kotoeri.kanatyping.japanese",
                                 "com.google.inputmethod.japanese.base"};
    return ids;
}

const QStringList& preferredEnglish() {
    static const QStringList ids{"com.apple.keylayout.abc", "com.apple.keylayout.us"};
    return ids;
}

bool containsAny(const QString& text, const QStringList& words) {
    for (const QString& word : words)
        if (text.contains(word)) return true;
    return false;
}

bool anyStartsWith(const QStringList& languages, const QString& prefix) {
    for (const QString& language : languages)
        if (language.toLower().startsWith(prefix)) return true;
    return false;
}

std::atomic<InputSourceService*> layoutService{nullptr};

AppPrefs::KeyboardLayout providedLayout() {
    InputSourceService* service = layoutService.load();
    return service ? InputSources::toPrefsLayout(service->layoutType()) : AppPrefs::KeyboardLayout::ANSI;
}

}  // namespace

InputSources::InputSources(InputSourceService& service) : service_(service) {}

int InputSources::languageOf(const std::optional<InputSource>& source) {
    if (!source) return kJapanese;
    const QString id = source->id.toLower();
    if (anyStartsWith(source->languages, "ja")) return kJapanese;
    if (anyStartsWith(source->languages, "en")) return kEnglish;
    if (containsAny(id, japaneseWords())) return kJapanese;
    if (containsAny(id, englishWords())) return kEnglish;
    return kJapanese;
}

int InputSources::currentKeyboardLanguage() const { return languageOf(service_.current()); }

QList<InputSource> InputSources::selectCapable(const QList<InputSource>& sources) {
    QList<InputSource> result;
    for (const InputSource& source : sources)
        if (source.category == InputSource::kKeyboardCategory && source.selectCapable) result << source;
    return result;
}

bool InputSources::isJapaneseMode(const InputSource& source) {
    const QString id = source.id.toLower();
    if (id.contains("katakana")) return false;
    if (id.contains("kana") && !id.contains("kanatyping")) return false;
    if (id.contains("roman") || id.contains("alphanumeric")) return false;
    return anyStartsWith(source.languages, "ja");
}

std::optional<InputSource> InputSources::pick(int language, const QList<InputSource>& sources) {
    auto first = [&](auto&& test) -> std::optional<InputSource> {
        for (const InputSource& source : sources)
            if (test(source)) return source;
        return std::nullopt;
    };
    if (language == kEnglish) {
        if (auto s = first([](const InputSource& s) { return preferredEnglish().contains(s.id.toLower()); })) return s;
        if (auto s = first([](const InputSource& s) {
                return s.type == InputSource::kKeyboardLayoutType && !s.languages.isEmpty() &&
                       s.languages.first().toLower().startsWith("en");
            }))
            return s;
        return first([](const InputSource& s) {
            const QString id = s.id.toLower();
            return id.contains(".roman") || id.contains("alphanumeric");
        });
    }
    if (auto s = first([](const InputSource& s) { return preferredJapanese().contains(s.id.toLower()); })) return s;
    if (auto s = first([](const InputSource& s) { return s.id.toLower().contains("hiragana"); })) return s;
    return first([](const InputSource& s) { return isJapaneseMode(s); });
}

bool InputSources::switchInputSource(int language) {
    if (currentKeyboardLanguage() == language) return true;
    const std::optional<InputSource> source = pick(language, selectCapable(service_.enabledSources()));
    if (!source) {
        AppLog::write(QStringLiteral("話す言語: 切り替え先が無い"));
        return false;
    }
    const int status = service_.select(*source);
    if (status == 0) {
        const QString id = source->id.isEmpty() ? QStringLiteral("?") : source->id;
        AppLog::write(QStringLiteral("話す言語: 入力ソースを ") + id + QStringLiteral(" に切り替え"));
        return true;
    }
    AppLog::write(QStringLiteral("話す言語: 切り替えに失敗 (status=") + QString::number(status) + QStringLiteral(")"));
    return false;
}

void InputSources::installLayoutProvider(InputSourceService* service) {
    layoutService.store(service);
    AppPrefs::setKeyboardLayoutProvider(&providedLayout);
}

AppPrefs::KeyboardLayout InputSources::toPrefsLayout(KeyboardLayoutType type) {
    switch (type) {
    case KeyboardLayoutType::JIS: return AppPrefs::KeyboardLayout::JIS;
    case KeyboardLayoutType::ISO: return AppPrefs::KeyboardLayout::ISO;
    case KeyboardLayoutType::ANSI: break;
    }
    return AppPrefs::KeyboardLayout::ANSI;
}
