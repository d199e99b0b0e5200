#pragma once

#include <QStringList>

// The developer switches that show one window and exit:
//   --probe-swiftui         builds the settings content at 760 × 600 and shows each section;
//   --onboarding-preview    a picture of every setup screen (01.png … 09.png);
//   --settings-preview      the settings window (settings-root.png);
//   --usage-guide-preview   a picture of every usage-guide screen (usage-01.png … usage-04.png);
//   --hud-preview           the recording panel in both chip styles (hud.png, hud-session.png).
// They run on fixed machine facts (every permission granted, a desktop computer, an ANSI
// keyboard), a settings store in memory and virtual time, so two runs draw the same pictures
// and nothing of the user's settings is read or written. The pictures go to
// OnboardingPreview::shotsFolder(). A picture that cannot be written is named on stderr with the
// reason and the run ends with status 1 after the others; otherwise 0.
namespace Previews {

// Runs the preview named by its switch (a QApplication must exist) and returns the exit status.
int run(const QString& which);

}  // namespace Previews
