// The version document of the update check.
#include "FuzzCommon.h"
#include "core/Updater.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/MemoryDefaults.h"
#include "core/AppPrefs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryDefaults defaults;
    FakeBundle bundle;
    Bundle::install(&bundle);
    AppPrefs::setDefaults(&defaults);
    FakeHttpClient http;
    Updater updater({http});
    updater.handleManifest(fuzzBytes(data, size), data && size && (data[0] & 1));
    (void)Updater::compareVersions(fuzzText(data, size), QStringLiteral("1.2.3"));
    AppPrefs::setDefaults(nullptr);
    Bundle::install(nullptr);
    return 0;
}
