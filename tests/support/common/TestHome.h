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

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};

// True inside the headless session (X server, sound server and accessibility bus available).
bool inHeadlessSession();
