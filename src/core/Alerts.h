#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A modal question to the user. The response is 1000 for the first button, 1001 for the second,
// and so on; callers compare with kFirstButton and treat anything else as a refusal.
struct Alert {
    QString message;
    QString informativeText;
    QStringList buttons;  // first button first; an alert without buttons gets one "OK"
};

class AlertRunner {
public:
    static constexpr int kFirstButton = 1000;

    virtual ~AlertRunner() = default;
    // Brings the application forward, shows the alert without animation and waits for the answer.
    virtual int run(const Alert& alert) = 0;

    static void install(AlertRunner* runner);
    static AlertRunner* installed();
};

// Runs through the installed runner; without one (no display) answers as if the second button
// (or, with a single button, the first) was chosen, which every caller treats as "no".
int runModalAlert(const Alert& alert);
