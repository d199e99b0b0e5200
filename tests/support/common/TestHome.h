#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Points $HOME at a fresh temporary folder for the lifetime of the object.
class TestHome {
public:
    TestHome();
    ~TestHome();
    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return dir_.path() + QLatin1Char('/') + relative; }
    // The messages of the application log kept in this home, oldest first, without their time
    // stamps.
    QStringList logLines() const;
    // The application log kept in this home as it is on disk (empty when there is none).
    QString logText() const;

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};

// The messages of the application log kept in the home folder `home`, oldest first, without
// their time stamps.
QStringList logLinesIn(const QString& home);

// True inside the headless session (X server, sound server and accessibility bus available).
bool inHeadlessSession();

// Skips the current test outside the headless session (scripts/test fails a run on a skip it does
// not expect, so inside CI this never hides a test).
#define QUENDLE_REQUIRE_SESSION() \
    do { \
        if (!inHeadlessSession()) GTEST_SKIP() << "needs scripts/headless-session"; \
    } while (0)

// At namespace scope in a GUI test whose windows must be real windows on the session's X server
// rather than the offscreen platform's.
#define QUENDLE_REAL_WINDOWS_IN_SESSION() \
    const bool quendleRealWindows = [] { \
        if (inHeadlessSession()) qputenv("QT_QPA_PLATFORM", "xcb"); \
        return true; \
    }()
