#pragma once

// What the text-output, cleanup and permissions screen tests share: a model on in-memory defaults
// (with a private home for the log) whose shell calls are counted, and a shown window to lay a
// screen out in.

#include "TestHome.h"
#include "core/AppPrefs.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/BetaSettingsModel.h"
#include "settings/SettingsActions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

class TextScreensFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        AppPrefs::resetFirstRunForTesting();
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("1.0.0"));
    }
    void TearDown() override {
        model.reset();
        AppPrefs::resetFirstRunForTesting();
        AppPrefs::setDefaults(nullptr);
    }

    BetaSettingsModel& makeModel() {
        SettingsActions actions;
        actions.settingsChanged = [this] { ++settingsChanged; };
        model = std::make_unique<BetaSettingsModel>(actions);
        return *model;
    }

    QStringList logMessages() const { return home.logLines(); }

    QString stored(const char* key) const { return defaults.object(QString::fromLatin1(key)).toString(); }

    TestHome home;
    MemoryDefaults defaults;
    std::unique_ptr<BetaSettingsModel> model;
    int settingsChanged = 0;
};

// A shown top-level window holding one screen.
struct TextScreenHost {
    explicit TextScreenHost(QWidget* screen, int width = 430, int height = 760) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(screen);
        window.resize(width, height);
        window.show();
        QApplication::processEvents();
    }
    QWidget window;
};

// A click as the user makes it (press and release inside the button).
inline void press(QAbstractButton* button) { button->click(); }
