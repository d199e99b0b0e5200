#pragma once

#include <QString>
#include <map>
#include <optional>

// The texts of the options of every setting that is chosen from a short list: the symbol, the
// title and the explanation each option card shows, keyed by the stored value of the setting, and
// the example notes shown as the placeholder of the style note. The tables are built once, on first
// use, and never change; the order on screen is each editor's own.
struct Copy {
    struct Item {
        QString icon;    // symbol name shown on the card
        QString title;   // short title of the option
        QString detail;  // explanation under the title (may be empty)

        bool operator==(const Item&) const = default;
    };

    using Table = std::map<QString, Item>;
    using IntTable = std::map<int, Item>;

    Copy() = delete;

    // "off", "standard", "formal", "junior", "friend", "lover"
    static const Table& cleanupStyles();
    // "off", "line", "blank", "smart"
    static const Table& newlineStyles();
    // "spoken", "keyboard"
    static const Table& outputLanguages();
    // "low", "middle", "high" (shown as "Low", "High", "Max")
    static const Table& qualityTiers();
    // 100, 90, 80, 70, 60 (percent)
    static const IntTable& inputQualities();
    // "persistent", "session"
    static const Table& modeSelectStyles();
    // The cleanup styles other than "off" → the placeholder of the style note.
    static const std::map<QString, QString>& styleHints();

    // The item of a key; nothing when the table lacks it.
    static std::optional<Item> find(const Table& table, const QString& key);
    static std::optional<Item> find(const IntTable& table, int key);
    static std::optional<QString> styleHint(const QString& style);
};
