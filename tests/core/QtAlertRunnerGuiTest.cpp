// The modal alert lays a short message out with room to read, not squeezed around its words.
#include "core/ui/QtAlertRunner.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
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

// Alerts carry paths, file errors and the service's words: what looks like markup is shown as written.
TEST(QtAlertRunnerTest, MessageAndDetailAreShownAsWrittenNotAsMarkup) {
    Alert alert;
    alert.message = QStringLiteral("<b>~/Quendle.app</b> を移せませんでした");
    alert.informativeText = QStringLiteral("<i>権限がありません</i>");
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QLabel* label : box->findChildren<QLabel*>())
            if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(label)) shown << a->text(QAccessible::Name);
        box->buttons().first()->click();
    });
    QtAlertRunner().run(alert);
    EXPECT_TRUE(shown.contains(alert.message)) << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown.contains(alert.informativeText)) << shown.join(u'|').toStdString();
}
