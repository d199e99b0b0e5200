#include "platform/linux/XkbInputSourceService.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <QHash>

namespace {

QString languageOfLayout(const QString& layout) {
    static const QHash<QString, QString> languages{
        {"jp", "ja"}, {"us", "en"}, {"gb", "en"}, {"au", "en"}, {"nz", "en"}, {"ie", "en"},
        {"za", "en"}, {"de", "de"}, {"fr", "fr"}, {"es", "es"}, {"it", "it"}, {"pt", "pt"},
        {"kr", "ko"}, {"cn", "zh"}, {"tw", "zh"}, {"ru", "ru"}};
    return languages.value(layout);
}

}  // namespace

XkbInputSourceService::XkbInputSourceService(const char* displayName)
    : displayName_(displayName ? QByteArray(displayName) : QByteArray()) {}

XkbInputSourceService::~XkbInputSourceService() {
    if (display_) XCloseDisplay(display_);
}

bool XkbInputSourceService::ensureConnected() const {
    if (display_) return true;
    int major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
    display_ = XkbOpenDisplay(displayName_.isEmpty() ? nullptr : const_cast<char*>(displayName_.constData()),
                              nullptr, nullptr, &major, &minor, &reason);
    return display_ != nullptr;
}

XkbInputSourceService::RulesNames XkbInputSourceService::parseRulesNames(const QByteArray& property) {
    RulesNames names;
    const QList<QByteArray> parts = property.split('\0');
    auto part = [&](int i) { return i < parts.size() ? QString::fromUtf8(parts[i]) : QString(); };
    names.rules = part(0);
    names.model = part(1);
    names.layouts = part(2).split(',');
    names.variants = part(3).split(',');
    names.options = part(4);
    if (names.layouts == QStringList{QString()}) names.layouts.clear();
    while (names.variants.size() < names.layouts.size()) names.variants << QString();
    return names;
}

XkbInputSourceService::RulesNames XkbInputSourceService::readRulesNames() const {
    const Atom atom = XInternAtom(display_, "_XKB_RULES_NAMES", True);
    if (atom == None) return {};
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display_, DefaultRootWindow(display_), atom, 0, 1024, False, XA_STRING,
                                          &type, &format, &count, &after, &data);
    RulesNames names;
    if (status == Success && data && format == 8)
        names = parseRulesNames(QByteArray(reinterpret_cast<const char*>(data), int(count)));
    if (data) XFree(data);
    return names;
}

InputSource XkbInputSourceService::sourceFor(const QString& layout, const QString& variant) {
    InputSource source;
    const QString language = languageOfLayout(layout);
    source.id = QStringLiteral("xkb:%1:%2:%3").arg(layout, variant, language);
    if (!language.isEmpty()) source.languages = QStringList{language};
    source.category = InputSource::kKeyboardCategory;
    source.type = InputSource::kKeyboardLayoutType;
    source.selectCapable = true;
    return source;
}

KeyboardLayoutType XkbInputSourceService::layoutTypeFor(const QString& model, const QStringList& layouts) {
    const QString primary = layouts.isEmpty() ? QString() : layouts.first();
    if (model.startsWith("jp") || primary == "jp") return KeyboardLayoutType::JIS;
    static const QStringList iso{"gb", "uk", "ie", "de", "fr", "es", "it", "pt", "se", "no",
                                 "dk", "fi", "ch", "be", "nl", "at"};
    if (iso.contains(primary)) return KeyboardLayoutType::ISO;
    return KeyboardLayoutType::ANSI;
}

QList<InputSource> XkbInputSourceService::sourcesLocked() const {
    QList<InputSource> sources;
    if (!ensureConnected()) return sources;
    const RulesNames names = readRulesNames();
    for (int i = 0; i < names.layouts.size() && i < XkbNumKbdGroups; ++i)
        sources << sourceFor(names.layouts[i], names.variants.value(i));
    return sources;
}

std::optional<InputSource> XkbInputSourceService::current() const {
    std::lock_guard lock(mutex_);
    const QList<InputSource> sources = sourcesLocked();
    if (sources.isEmpty()) return std::nullopt;
    XkbStateRec state{};
    if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) return std::nullopt;
    const int group = state.locked_group;
    if (group < 0 || group >= sources.size()) return std::nullopt;
    return sources[group];
}

QList<InputSource> XkbInputSourceService::enabledSources() const {
    std::lock_guard lock(mutex_);
    return sourcesLocked();
}

int XkbInputSourceService::select(const InputSource& source) {
    std::lock_guard lock(mutex_);
    const QList<InputSource> sources = sourcesLocked();
    int group = -1;
    for (int i = 0; i < sources.size() && group < 0; ++i)
        if (sources[i].id == source.id) group = i;  // the first group of that layout
    if (group < 0) return -1;
    if (!XkbLockGroup(display_, XkbUseCoreKbd, unsigned(group))) return -2;
    XkbStateRec state{};
    if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) return -3;  // also waits for the lock
    return state.locked_group == group ? 0 : -4;
}

KeyboardLayoutType XkbInputSourceService::layoutType() const {
    std::lock_guard lock(mutex_);
    if (!ensureConnected()) return KeyboardLayoutType::ANSI;
    const RulesNames names = readRulesNames();
    return layoutTypeFor(names.model, names.layouts);
}
