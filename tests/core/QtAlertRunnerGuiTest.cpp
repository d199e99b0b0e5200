// The modal alert lays a short message out with room to read, not squeezed around its words.
#include "core/ui/QtAlertRunner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

TEST(QtAlertRunnerTest, AShortMessageGetsAComfortablyWideBox) {
    int shownWidth = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownWidth = box->width();
        box->buttons().first()->click();
    });
    QtAlertRunner runner;
    Alert alert;
    alert.message = QStringLiteral("新しい版があります");
    alert.informativeText = QStringLiteral("1.2.0");
    alert.buttons = {QStringLiteral("入れる"), QStringLiteral("あとで")};
    const int answer = runner.run(alert);
    EXPECT_GE(shownWidth, QtAlertRunner::kMinimumTextWidth);
    EXPECT_GE(answer, 1000);
}
