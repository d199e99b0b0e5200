#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class OnboardingV2Window;
class QWidget;

// The developer previews' pictures: every screen of an onboarding window (and the settings and
// recording-panel windows) rendered to PNG files in one folder, so screens can be compared
// between builds. The folder is design/onboarding-v2/shots in the source tree this program was
// built from, or the folder named by QUENDLE_SHOTS_DIR.
namespace OnboardingPreview {

// How long each screen animates before its picture is taken.
constexpr double kStepSeconds = 3.5;

QString shotsFolder();

// A picture that could not be written, and why.
struct Failure {
    QString file;
    QString reason;
};

// Renders `widget` (its whole window content) and writes it as PNG under `name` in the shots
// folder (created when missing), replacing an older file. Returns the failure, if any.
std::optional<Failure> snapshot(QWidget* widget, const QString& name);

// Shows every screen of `window` in turn, lets `wait(kStepSeconds)` pass, and writes its picture
// under `namePattern` (a printf pattern of the screen's position from 1, "%02d.png"). A picture
// that cannot be written is reported and the others are still taken.
QList<Failure> run(OnboardingV2Window& window, const char* namePattern, const std::function<void(double)>& wait);

}  // namespace OnboardingPreview
