#pragma once

#include "platform/InputSourceService.h"

#include <QByteArray>
#include <mutex>

typedef struct _XDisplay Display;

// Input sources from the X server's keyboard layouts: each XKB layout group ("us", "jp", ...) is
// one source, the locked group is the current one. The physical keyboard's type comes from the
// XKB model and the primary layout. Thread-safe (one connection of its own, behind a lock).
class XkbInputSourceService final : public InputSourceService {
public:
    // `displayName` null: $DISPLAY.
    explicit XkbInputSourceService(const char* displayName = nullptr);
    ~XkbInputSourceService() override;

    std::optional<InputSource> current() const override;
    QList<InputSource> enabledSources() const override;
    int select(const InputSource& source) override;
    KeyboardLayoutType layoutType() const override;

    // The server's rules names (the _XKB_RULES_NAMES property of the root window).
    struct RulesNames {
        QString rules, model;
        QStringList layouts, variants;
        QString options;
    };
    static RulesNames parseRulesNames(const QByteArray& property);
    static InputSource sourceFor(const QString& layout, const QString& variant);
    static KeyboardLayoutType layoutTypeFor(const QString& model, const QStringList& layouts);

private:
    bool ensureConnected() const;  // lock held
    RulesNames readRulesNames() const;  // lock held
    QList<InputSource> sourcesLocked() const;

    const QByteArray displayName_;
    mutable std::mutex mutex_;
    mutable Display* display_ = nullptr;
};
