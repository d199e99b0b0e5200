#include "core/ServicePrefs.h"

#include "core/AppPrefs.h"
#include "platform/Defaults.h"

namespace ServicePrefs {

namespace {
QString storedString(const QString& key, const QString& fallback) {
    const QVariant value = AppPrefs::defaults().object(key);
    return Defaults::isString(value) ? value.toString() : fallback;
}
}  // namespace

const QString& defaultVocabulary() {
    static const QString text = QStringLiteral(
        "Quendle, Excel, Word, PowerPoint, Outlook, Teams, Zoom, Google Meet, Gmail, Chrome, Slack, Chatwork, "
        "Notion, Figma, GitHub, Mac, iPhone, Windows, ChatGPT, GPT-5, Codex, Claude, Fable, Mythos, Opus, Sonnet, "
        "Haiku, Gemini, Grok, Sol, Copilot, Cursor, Instagram, TikTok, YouTube, LINE, Discord");
    return text;
}

QString vocabulary() { return storedString(QStringLiteral("vocabulary"), defaultVocabulary()); }

QString styleNote(const QString& style) { return storedString(QStringLiteral("styleNote.") + style, QString()); }

QString loverHeartLevel() { return storedString(QStringLiteral("loverHeartLevel"), QStringLiteral("lots")); }

QString storedCleanupStyle() { return storedString(QStringLiteral("cleanupStyle"), QStringLiteral("standard")); }


void incrementCounter(const QString& key) {
    Defaults& defaults = AppPrefs::defaults();
    defaults.set(key, QVariant(qlonglong(defaults.integerForKey(key) + 1)));
}

}  // namespace ServicePrefs
