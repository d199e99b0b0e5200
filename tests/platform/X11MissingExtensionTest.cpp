// An X server of the test's own without the XTEST extension (as an X server started without it,
// or a connection the server does not trust, offers): key access counts as missing and no key
// counts as sent.
#include "platform/SyntheticKeys.h"
#include "platform/linux/X11SyntheticKeys.h"
#include "platform/linux/X11Trust.h"
#include "TestHome.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// Xvfb with the given arguments, on a display number it picks itself.
class PrivateDisplay {
public:
    explicit PrivateDisplay(const QStringList& arguments) {
        server_.setStandardErrorFile(QProcess::nullDevice());
        server_.start(QStringLiteral("Xvfb"), QStringList{QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")} +
                                                  arguments);
        if (!server_.waitForStarted(5000)) return;
        while (!server_.canReadLine() && server_.waitForReadyRead(10000)) {
        }
        const QByteArray number = server_.readLine().trimmed();
        if (!number.isEmpty()) name_ = ":" + number;
    }
    ~PrivateDisplay() {
        server_.terminate();
        if (!server_.waitForFinished(3000)) server_.kill();
    }
    // ":N", empty when the server did not start.
    QByteArray name() const { return name_; }

private:
    QProcess server_;
    QByteArray name_;
};

TEST(X11MissingExtension, WithoutXTestNoKeyIsSentAndKeyAccessIsMissing) {
    QUENDLE_REQUIRE_SESSION();
    PrivateDisplay display({QStringLiteral("-extension"), QStringLiteral("XTEST")});
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
    // Before anything in this process opens the display.
    qputenv("DISPLAY", display.name());
    EXPECT_FALSE(X11Trust::inputExtensionsAvailable());
    X11SyntheticKeys keys;
    EXPECT_FALSE(keys.postKey(KeyIds::V, KeyFlags::Control));
    EXPECT_FALSE(keys.postKey(KeyIds::Delete, 0));
}

}  // namespace
