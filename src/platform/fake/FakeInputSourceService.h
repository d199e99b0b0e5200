#pragma once

#include "platform/InputSourceService.h"

// Input sources held in memory; select() makes the source current unless `selectStatus` is set.
class FakeInputSourceService final : public InputSourceService {
public:
    std::optional<InputSource> current() const override;
    QList<InputSource> enabledSources() const override { return sources; }
    int select(const InputSource& source) override;
    KeyboardLayoutType layoutType() const override { return layout; }

    QList<InputSource> sources;
    std::optional<int> currentIndex;  // index into `sources`
    std::optional<InputSource> currentOverride;  // a current source that is not in the list
    int selectStatus = 0;
    QStringList selected;  // ids passed to select(), in order
    KeyboardLayoutType layout = KeyboardLayoutType::ANSI;
};
