// The corrections list (typed, hand-edited or from the service) applied to a dictated text: the
// input's first line is the text, the rest the list.
#include "FuzzCommon.h"
#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "recognition/PrefsSync.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = fuzzText(data, size);
    const qsizetype lineEnd = input.indexOf(QLatin1Char('\n'));
    const QString text = lineEnd < 0 ? input : input.left(lineEnd);
    const QString list = lineEnd < 0 ? QString() : input.mid(lineEnd + 1);
    MemoryDefaults defaults;
    FakeBundle bundle;
    Bundle::install(&bundle);
    AppPrefs::setDefaults(&defaults);
    defaults.set(QStringLiteral("corrections"), PrefsSync::normalizedCorrections(list));
    const QString corrected = AppPrefs::applyCorrections(text);
    if (corrected.size() > AppPrefs::correctionGrowthLimit(text.size()) && corrected.size() > text.size()) __builtin_trap();
    const auto pairs = AppPrefs::correctionPairs();
    if (!pairs.isEmpty()) AppPrefs::addCorrection(pairs.first().right, text.left(16));
    AppPrefs::setDefaults(nullptr);
    Bundle::install(nullptr);
    return 0;
}
