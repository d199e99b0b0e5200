#include "core/AppLog.h"
#include "platform/Clock.h"
#include "platform/linux/QtMainQueue.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    SystemClock clock;
    Clock::install(&clock);
    QtMainQueue mainQueue;
    MainQueue::install(&mainQueue);

    AppLog::write(QStringLiteral("起動"));
    return app.exec();
}
