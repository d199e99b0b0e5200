#include "onboarding/ui/OnboardingPreview.h"

#include "onboarding/ui/OnboardingV2Window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QWidget>

#ifndef QUENDLE_SOURCE_TREE
#define QUENDLE_SOURCE_TREE "."
#endif

namespace OnboardingPreview {

QString shotsFolder() {
    const QString chosen = qEnvironmentVariable("QUENDLE_SHOTS_DIR");
    if (!chosen.isEmpty()) return chosen;
    return QStringLiteral(QUENDLE_SOURCE_TREE "/design/onboarding-v2/shots");
}

std::optional<Failure> snapshot(QWidget* widget, const QString& name) {
    const QString folder = shotsFolder();
    QDir().mkpath(folder);  // a folder that cannot be made shows in the write below
    const QString path = QDir(folder).filePath(name);
    if (!widget) return Failure{path, QStringLiteral("no window to render")};
    QCoreApplication::processEvents();
    const QImage image = widget->grab().toImage();
    if (image.isNull()) return Failure{path, QStringLiteral("the window could not be rendered")};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return Failure{path, file.errorString()};
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) return Failure{path, writer.errorString()};
    if (!file.flush()) return Failure{path, file.errorString()};
    return std::nullopt;
}

QList<Failure> run(OnboardingV2Window& window, const char* namePattern, const std::function<void(double)>& wait) {
    QList<Failure> failures;
    for (int i = 0; i < window.screenCount(); ++i) {
        window.showScreen(i);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        wait(kStepSeconds);
        if (auto failure = snapshot(&window, QString::asprintf(namePattern, i + 1))) failures << *failure;
    }
    return failures;
}

}  // namespace OnboardingPreview
