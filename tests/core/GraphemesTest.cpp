// Counting and cutting by the characters the user sees.
#include "core/Graphemes.h"

#include <gtest/gtest.h>

TEST(Graphemes, CountsAndCutsWholeCharactersOnly) {
    EXPECT_EQ(Graphemes::count(QString()), 0);
    EXPECT_EQ(Graphemes::count(QStringLiteral("改行")), 2);
    EXPECT_EQ(Graphemes::count(QStringLiteral("👍🏽e\u0301")), 2);

    const QString mixed = QString(119, QLatin1Char('a')) + QStringLiteral("𠮷𠮷");
    EXPECT_EQ(Graphemes::first(mixed, 120), QString(119, QLatin1Char('a')) + QStringLiteral("𠮷"));
    EXPECT_EQ(Graphemes::first(QStringLiteral("e\u0301e\u0301"), 1), QStringLiteral("e\u0301"));
    EXPECT_EQ(Graphemes::first(QStringLiteral("短い"), 120), QStringLiteral("短い"));
    EXPECT_EQ(Graphemes::first(QStringLiteral("abc"), 0), QString());
    EXPECT_EQ(Graphemes::last(QStringLiteral("a👍🏽"), 1), QStringLiteral("👍🏽"));
    EXPECT_EQ(Graphemes::last(QStringLiteral("ab"), 5), QStringLiteral("ab"));
}
