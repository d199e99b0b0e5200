#pragma once

// What the vocabulary and corrections editor tests share: in-memory settings, the virtual main
// queue, a real preference sync over a fake HTTP client (so that "the page appeared" can be checked
// by what was sent) and a model that reloads when the sync applies the service's lists.
#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "recognition/PrefsSync.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/ListTextBox.h"
#include "settings/screens/SaveRevertBar.h"
#include "settings/screens/ScreenContext.h"

#include "TestHome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

class ListEditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
        defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://service.test"));
        defaults.set(QStringLiteral("deviceID"), QStringLiteral("device-1"));
        sync = std::make_unique<PrefsSync>(http, [] { return BetaSettingsModel::vocabularyEditPending(); });
        sync->observeDidSync([] { BetaSettingsModel::prefsDidSync(); });
        context.syncOnAppear = [this] {
            ++appearances;
            sync->syncOnAppear();
        };
    }
    void TearDown() override {
        screen.reset();
        model.reset();
        sync.reset();
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    void makeModel() {
        SettingsActions actions;
        actions.pushPreferences = [this] { sync->pushLocal(); };
        model = std::make_unique<BetaSettingsModel>(actions);
    }
    void signIn() { defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret")); }

    // Types into the box as the user would: the editor's whole text becomes `text`.
    static void type(ListTextBox* box, const QString& text) { box->editor()->setPlainText(text); }

    // Answers the oldest request with a JSON object and runs the main queue.
    void answer(const QJsonObject& object) {
        ASSERT_TRUE(http.replyNext(200, QJsonDocument(object).toJson(QJsonDocument::Compact)));
        queue.runPending();
    }

    QString stored(const char* key) const { return defaults.object(QLatin1String(key)).toString(); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeBundle bundle;
    FakeHttpClient http;
    std::unique_ptr<PrefsSync> sync;
    ScreenContext context;
    int appearances = 0;
    std::unique_ptr<BetaSettingsModel> model;
    std::unique_ptr<QWidget> screen;
};
