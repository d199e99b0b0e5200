#pragma once

// An onboarding on fakes: a settings store in memory, virtual time, scripted permissions and
// probe child, and a host that counts what the onboarding asks of the application.

#include "../core/PrefsFixture.h"
#include "core/OnboardingWindow.h"
#include "onboarding/OnboardingHost.h"
#include "onboarding/ui/OnboardingV2Window.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "platform/fake/FakeSystemInfo.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <memory>
#include <vector>

class OnboardingFixture : public PrefsFixture {
protected:
    void SetUp() override {
        PrefsFixture::SetUp();
        OnboardingWindow::Services services{permissions, speech};
        services.executablePath = [] { return QStringLiteral("/opt/Quendle.app/Contents/MacOS/Quendle"); };
        services.runProcess = [this](const QString&, const QStringList&, double) {
            ++probes;
            return OnboardingWindow::ProcessRun{probeOutcome, probeStatus};
        };
        services.openSettings = [this](OnboardingWindow::Step step) { settingsOpened.push_back(step); };
        services.hasSettings = [this](OnboardingWindow::Step step) {
            return std::find(stepsWithSettings.begin(), stepsWithSettings.end(), step) != stepsWithSettings.end();
        };
        steps = std::make_unique<OnboardingWindow>(services);
    }
    void TearDown() override {
        if (OnboardingV2Window* open = OnboardingV2Window::shared()) delete open;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        steps.reset();
        PrefsFixture::TearDown();
    }

    OnboardingHost host() {
        OnboardingHost h;
        h.startMonitoring = [this] { ++monitoringStarts; };
        h.applyLaunchAtLogin = [this] { ++loginItemApplied; };
        h.startStatusIconBlink = [this] { blinking = true; };
        h.stopStatusIconBlink = [this] { blinking = false; };
        h.permissions = steps.get();
        h.systemInfo = &system;
        return h;
    }

    // Runs virtual time until the current screen's transition is over.
    void settle(OnboardingV2Window& window) {
        for (int i = 0; i < 400 && window.isTransitioning(); ++i) queue.advance(0.1);
    }

    FakePermissions permissions;
    FakeSpeechRecognizerProvider speech;
    FakeSystemInfo system;
    std::unique_ptr<OnboardingWindow> steps;
    std::vector<OnboardingWindow::Step> settingsOpened;
    // The steps this desktop has settings for (a sound settings program for the microphone).
    std::vector<OnboardingWindow::Step> stepsWithSettings{OnboardingWindow::Step::microphone};
    OnboardingWindow::ProcessRun::Outcome probeOutcome = OnboardingWindow::ProcessRun::Outcome::exited;
    int probeStatus = 0;
    int probes = 0;
    int monitoringStarts = 0;
    int loginItemApplied = 0;
    bool blinking = false;
};
