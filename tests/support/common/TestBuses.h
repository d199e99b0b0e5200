#pragma once

// Buses for tests of what Quendle does when a bus is missing or does not answer: a session bus
// of the test's own with no services to start (as on a desktop set up without at-spi2-core), a
// hung accessibility launcher on it, a socket that accepts connections and never says a word, and
// the X root window without its AT_SPI_BUS property. Inside the headless session.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

struct DBusConnection;

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool ok() const { return !address_.isEmpty(); }
    QString address() const { return address_; }

    // Takes org.a11y.Bus on this bus and never answers a question put to it, as a launcher that
    // hangs. False when the name could not be taken.
    bool hangAsTheAccessibilityLauncher();
    // How many times the launcher was asked for the accessibility bus's address so far (each
    // question is read and left unanswered).
    int addressQuestions();

private:
    struct Hung;
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    std::unique_ptr<Hung> hung_;
};

// A Unix socket that accepts connections (the system's queue takes them) and never says a word,
// as a bus whose daemon has stopped.
class SilentSocket {
public:
    SilentSocket();
    ~SilentSocket();
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

    bool ok() const { return fd_ >= 0; }
    QString path() const;
    // A D-Bus address naming it.
    QString address() const;

private:
    QTemporaryDir dir_;
    int fd_ = -1;
};

// While it lives, the X root window has no AT_SPI_BUS property (the accessibility bus's address
// that the launcher publishes there), so that programs started meanwhile look for the bus on
// their session bus only. The property comes back afterwards.
class HiddenAccessibilityBusProperty {
public:
    HiddenAccessibilityBusProperty();
    ~HiddenAccessibilityBusProperty();
    HiddenAccessibilityBusProperty(const HiddenAccessibilityBusProperty&) = delete;
    HiddenAccessibilityBusProperty& operator=(const HiddenAccessibilityBusProperty&) = delete;

private:
    std::optional<QByteArray> saved_;
};

// A program on the session's accessibility bus that only announces focus changes of elements it
// names and answers nothing: for orders of announcements a real program cannot be made to give.
class AnnouncingProgram {
public:
    AnnouncingProgram();
    ~AnnouncingProgram();
    AnnouncingProgram(const AnnouncingProgram&) = delete;
    AnnouncingProgram& operator=(const AnnouncingProgram&) = delete;

    bool ok() const { return connection_ != nullptr; }
    // Announces that `element` (a name of ours) gained or lost the focus.
    void focus(const QByteArray& element, bool gained);
    // Returns once the bus has passed on everything announced so far.
    bool flush();

private:
    DBusConnection* connection_ = nullptr;
};
