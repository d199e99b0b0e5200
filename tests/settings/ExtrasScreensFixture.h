#pragma once

#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/SegmentedPicker.h"
#include "settings/ui/SwitchToggle.h"
#include "settings/ui/ToggleRow.h"

#include "TestHome.h"

#include <QAbstractButton>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

// The extra-feature screens on an in-memory store: a model whose shell counts its calls, and
// helpers that click the way a user does.
class ExtrasScreensFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        // Not a first run: the trigger key then defaults by the keyboard, without a write.
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
    }
    void TearDown() override {
        screen.reset();
        model.reset();
        AppPrefs::setKeyboardLayoutProvider(nullptr);
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    void makeModel() {
        screen.reset();  // a screen never outlives its model
        SettingsActions actions;
        actions.settingsChanged = [this] { ++settingsChanged; };
        actions.startCopyOnSelect = [this] { copier << QStringLiteral("start"); };
        actions.stopCopyOnSelect = [this] { copier << QStringLiteral("stop"); };
        model = std::make_unique<BetaSettingsModel>(actions);
        settingsChanged = 0;
        copier.clear();
    }
    void show(QWidget* widget) {
        screen.reset(widget);
        screen->resize(420, 720);
        screen->show();
    }

    static QStringList names(const SegmentedPicker* picker) {
        QStringList result;
        for (const SegmentedPicker::Segment& segment : picker->segments()) result << segment.name;
        return result;
    }
    // A user's click on the segment with this name (nothing happens while the picker is disabled).
    static void clickSegment(SegmentedPicker* picker, const QString& name) {
        for (int i = 0; i < picker->segments().size(); ++i)
            if (picker->segments()[i].name == name) {
                picker->segmentButton(i)->click();
                return;
            }
        ADD_FAILURE() << "no segment " << name.toStdString();
    }
    static void flip(ToggleRow* row) { row->toggle()->click(); }
    QVariant stored(const char* key) const { return defaults.object(QString::fromLatin1(key)); }

    TestHome home;
    MemoryDefaults defaults;
    FakeBundle bundle;
    int settingsChanged = 0;
    QStringList copier;
    std::unique_ptr<BetaSettingsModel> model;
    std::unique_ptr<QWidget> screen;
};
