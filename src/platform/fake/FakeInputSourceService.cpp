#include "platform/fake/FakeInputSourceService.h"

std::optional<InputSource> FakeInputSourceService::current() const {
    if (currentOverride) return currentOverride;
    if (currentIndex && *currentIndex >= 0 && *currentIndex < sources.size()) return sources[*currentIndex];
    return std::nullopt;
}

int FakeInputSourceService::select(const InputSource& source) {
    selected << source.id;
    if (selectStatus != 0) return selectStatus;
    for (int i = 0; i < sources.size(); ++i) {
        if (sources[i].id == source.id) {
            currentIndex = i;
            currentOverride.reset();
            return 0;
        }
    }
    return -50;
}
