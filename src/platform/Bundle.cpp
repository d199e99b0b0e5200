#include "platform/Bundle.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<Bundle*> installedBundle{nullptr};
}

void Bundle::install(Bundle* bundle) { installedBundle.store(bundle); }

Bundle& Bundle::instance() {
    Bundle* bundle = installedBundle.load();
    if (!bundle) {
        std::fputs("Bundle used before one was installed\n", stderr);
        std::abort();
    }
    return *bundle;
}

bool Bundle::isInstalled() { return installedBundle.load() != nullptr; }
