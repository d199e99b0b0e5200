#include "app/Previews.h"

#include "app/MenuBarIcon.h"
#include "core/AppPrefs.h"
#include "core/OnboardingWindow.h"
#include "dictation/HUDPlacement.h"
#include "dictation/ui/RecordingHUDPanel.h"
#include "onboarding/ui/OnboardingPreview.h"
#include "onboarding/ui/OnboardingV2Window.h"
#include "platform/Bundle.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "platform/fake/FakeSystemInfo.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/BetaSettingsModel.h"
#include "settings/SettingsActions.h"
#include "settings/screens/ScreenContext.h"
#include "settings/screens/ScreenDirectory.h"
#include "settings/ui/BetaSettingsRoot.h"
#include "settings/ui/BetaSettingsWindowController.h"

#include <QApplication>
#include <QLayout>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

// The fixed world of a preview.
struct PreviewWorld {
    PreviewWorld() {
        AppPrefs::setDefaults(&defaults);
        AppPrefs::setKeyboardLayoutProvider([] { return AppPrefs::KeyboardLayout::ANSI; });
        AppPrefs::resetFirstRunForTesting();
        Screens::Screen screen;
        screen.frame = QRectF(0, 0, 1920, 1080);
        screen.visibleFrame = QRectF(0, 0, 1920, 1050);
        screens.screens << screen;
        Screens::install(&screens);
    }
    ~PreviewWorld() {
        Screens::install(nullptr);
        AppPrefs::setKeyboardLayoutProvider(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    // Lets virtual time pass, with Qt's own events handled along the way.
    void wait(double seconds) {
        QCoreApplication::processEvents();
        const double step = 1.0 / 30;
        for (double passed = 0; passed < seconds - 1e-9; passed += step) {
            queue.advance(std::min(step, seconds - passed));
            QCoreApplication::processEvents();
        }
    }

    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeScreens screens;
    FakePermissions permissions;
    FakeSpeechRecognizerProvider speech;
    FakeSystemInfo system;
    FakeAccessibility accessibility;
    FakeWorkspace workspace;
    FakePointer pointer;
    OnboardingWindow steps{{permissions, speech, [] { return QString(); }}};
};

int report(const QList<OnboardingPreview::Failure>& failures) {
    for (const OnboardingPreview::Failure& failure : failures)
        std::fprintf(stderr, "%s: %s\n", qPrintable(failure.file), qPrintable(failure.reason));
    return failures.isEmpty() ? 0 : 1;
}

void collect(QList<OnboardingPreview::Failure>& failures, const std::optional<OnboardingPreview::Failure>& failure) {
    if (failure) failures << *failure;
}

int probeSettingsContent(PreviewWorld&) {
    BetaSettingsModel model{SettingsActions{}};
    BetaSettingsRoot root(model);
    root.setGeometry(0, 0, 760, 600);
    for (BetaSettingsModel::Section section : BetaSettingsModel::allSections()) {
        model.setSection(section);
        root.ensurePolished();
        if (root.layout()) root.layout()->activate();
        root.repaint();
        QCoreApplication::processEvents();
    }
    return 0;
}

int onboardingPreview(PreviewWorld& world) {
    OnboardingHost host;
    host.permissions = &world.steps;
    host.systemInfo = &world.system;
    host.statusIconImage = [] { return MenuBarIcon::image(MenuBarIcon::Idle, std::nullopt).image; };
    OnboardingV2Window window(host, OnboardingV2Window::makeScreens(), OnboardingV2Window::setupLabels(), false, {},
                              true);
    window.present();
    return report(OnboardingPreview::run(window, "%02d.png", [&world](double s) { world.wait(s); }));
}

int usageGuidePreview(PreviewWorld& world) {
    OnboardingHost host;
    host.permissions = &world.steps;
    host.systemInfo = &world.system;
    OnboardingV2Window window(host, OnboardingV2Window::makeUsageGuideScreens(), OnboardingV2Window::usageGuideLabels(),
                              true, {}, true);
    window.present();
    return report(OnboardingPreview::run(window, "usage-%02d.png", [&world](double s) { world.wait(s); }));
}

int settingsPreview(PreviewWorld& world) {
    ScreenContext context;
    context.permissions = &world.permissions;
    context.onboarding = &world.steps;
    context.isJISKeyboard = [] { return false; };
    context.screenshotFolderPath = [] { return QStringLiteral("/home/quendle/Pictures/Screenshots"); };
    BetaSettingsWindowController controller(SettingsActions{}, nullptr, screenDirectory(context));
    controller.show();
    world.wait(OnboardingPreview::kStepSeconds);
    QList<OnboardingPreview::Failure> failures;
    collect(failures, OnboardingPreview::snapshot(controller.window(), QStringLiteral("settings-root.png")));
    return report(failures);
}

int hudPreview(PreviewWorld& world) {
    HUDPlacement::Services services{world.accessibility, world.workspace, world.pointer, world.screens,
                                    [] { return std::optional<QRectF>(); }};
    RecordingHUDPanel panel(services);
    // The store is the preview's own: nothing to put back afterwards.
    Defaults& store = AppPrefs::defaults();
    const QString key = QStringLiteral("modeSelectStyle");
    store.set(key, QStringLiteral("persistent"));
    panel.show();
    world.wait(0.5);
    QList<OnboardingPreview::Failure> failures;
    if (panel.hasMicPulse()) {
        float shown = 0;
        for (float level : {0.1f, 0.5f, 0.9f, 0.4f, 0.7f, 0.2f, 0.8f, 0.3f}) {
            shown = std::max(std::clamp(level, 0.0f, 1.0f), 0.82f * shown);
            panel.setMicPulse(shown);
        }
    }
    collect(failures, OnboardingPreview::snapshot(panel.window(), QStringLiteral("hud.png")));
    store.set(key, QStringLiteral("session"));
    panel.show();
    world.wait(0.5);
    collect(failures, OnboardingPreview::snapshot(panel.window(), QStringLiteral("hud-session.png")));
    return report(failures);
}

}  // namespace

namespace Previews {

int run(const QString& which) {
    PreviewWorld world;
    if (which == QLatin1String("--probe-swiftui")) return probeSettingsContent(world);
    if (which == QLatin1String("--onboarding-preview")) return onboardingPreview(world);
    if (which == QLatin1String("--settings-preview")) return settingsPreview(world);
    if (which == QLatin1String("--usage-guide-preview")) return usageGuidePreview(world);
    if (which == QLatin1String("--hud-preview")) return hudPreview(world);
    return 0;
}

}  // namespace Previews
