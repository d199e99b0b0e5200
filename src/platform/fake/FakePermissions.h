#pragma once

#include "platform/MainQueue.h"
#include "platform/Permissions.h"

// Permission states a test sets; counts how often each is asked.
class FakePermissions final : public Permissions {
public:
    PermissionState microphoneState = PermissionState::Granted;
    PermissionState accessibilityState = PermissionState::Granted;
    PermissionState inputMonitoringState = PermissionState::Granted;
    int microphoneQueries = 0;
    int accessibilityQueries = 0;
    int inputMonitoringQueries = 0;

    PermissionState microphone() override {
        ++microphoneQueries;
        return microphoneState;
    }
    PermissionState accessibility() override {
        ++accessibilityQueries;
        return accessibilityState;
    }
    PermissionState inputMonitoring() override {
        ++inputMonitoringQueries;
        return inputMonitoringState;
    }
    // Answers on the main queue, as a real check on a worker would.
    int checksAgain = 0;
    void checkAgain(std::function<void()> answered) override {
        ++checksAgain;
        MainQueue::post(std::move(answered));
    }
};
