// The Exec line of our desktop entries (menu entry and login item) runs exactly the program's
// file, whatever characters its path holds.
#include "platform/linux/XdgDesktopEntry.h"

#include <gtest/gtest.h>

TEST(XdgDesktopEntry, ExecQuotesEveryCharacterTheDesktopWouldInterpret) {
    EXPECT_EQ(XdgDesktopEntry::execLine(QStringLiteral("/home/u/My Apps/Quendle.app/Contents/MacOS/Quendle")),
              QStringLiteral("Exec=\"/home/u/My Apps/Quendle.app/Contents/MacOS/Quendle\""));
    // Quoting escapes " ` $ \ with a backslash; the string escaping then doubles each backslash.
    EXPECT_EQ(XdgDesktopEntry::execLine(QStringLiteral("/a\"b`c$d\\e%f")),
              QStringLiteral("Exec=\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f\""));
}
