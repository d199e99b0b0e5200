#pragma once

// What the speech-input screen tests share: a model on in-memory defaults with counted shell
// actions and recorded sounds, and a window to lay a screen out in.

#include "core/AppPrefs.h"
#include "platform/fake/FakeSounds.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/BetaSettingsModel.h"
#include "settings/SettingsActions.h"

#include <QList>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

class SpeechScreensFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        AppPrefs::resetFirstRunForTesting();
        // An existing domain: not a first run, so the trigger key falls back without being written.
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("1.0.0"));
    }
    void TearDown() override {
        model.reset();
        AppPrefs::setKeyboardLayoutProvider(&ansi);
        AppPrefs::resetFirstRunForTesting();
        AppPrefs::setDefaults(nullptr);
    }

    // Builds the model from what the defaults hold now.
    BetaSettingsModel& makeModel() {
        SettingsActions actions;
        actions.settingsChanged = [this] { ++settingsChanged; };
        actions.applyLaunchAtLogin = [this] { ++launchAtLoginApplied; };
        actions.switchInputSource = [this](int language) { inputSourceSwitches.append(language); };
        model = std::make_unique<BetaSettingsModel>(actions, &sounds);
        return *model;
    }

    static AppPrefs::KeyboardLayout ansi() { return AppPrefs::KeyboardLayout::ANSI; }
    static AppPrefs::KeyboardLayout iso() { return AppPrefs::KeyboardLayout::ISO; }
    static AppPrefs::KeyboardLayout jis() { return AppPrefs::KeyboardLayout::JIS; }

    MemoryDefaults defaults;
    FakeSounds sounds;
    std::unique_ptr<BetaSettingsModel> model;
    int settingsChanged = 0;
    int launchAtLoginApplied = 0;
    QList<int> inputSourceSwitches;
};

// A shown top-level window holding one screen at a given width.
struct ScreenHost {
    explicit ScreenHost(QWidget* screen, int width = 430, int height = 700) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(screen);
        window.resize(width, height);
        window.show();
        layout->activate();
    }
    QWidget window;
};
