#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Ready-made vocabulary lists of trade terms, by occupation. Two fixed tables keyed by the
// occupation key (the codes of the `field` setting, without the empty "none" code): the label shown
// on the preset button and the word list, whose words are separated by "、". Lookups are exact and
// case-sensitive.
namespace OccupationPresets {

// The nine occupation keys, in the order the presets are offered.
const QStringList& keys();
// The preset's label; none for a key outside the table.
std::optional<QString> label(const QString& key);
// The preset's word list ("デプロイ、コミット、…"); none for a key outside the table.
std::optional<QString> words(const QString& key);

}  // namespace OccupationPresets
