#include "platform/linux/BusLookup.h"

#include "platform/linux/X11Connection.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dbus/dbus.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace BusLookup {

namespace {

struct ConnectionCloser {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// A DBusError that frees itself.
struct Error {
    DBusError error;
    Error() { dbus_error_init(&error); }
    ~Error() { dbus_error_free(&error); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    bool is(const char* name) const { return dbus_error_has_name(&error, name); }
    bool timedOut() const { return is(DBUS_ERROR_NO_REPLY) || is(DBUS_ERROR_TIMEOUT); }
    QString message() const { return QString::fromUtf8(error.message ? error.message : error.name); }
};

// An address no one can reach: every connection to it fails at once, and nobody falls back to
// another way of finding the bus.
constexpr const char* kNowhere = "unix:path=/dev/null";

const char* env(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

int milliseconds(double seconds) { return std::max(1, int(std::lround(seconds * 1000))); }

// Whether a bus's server answers. libdbus waits for the start of a conversation (the
// authentication) without any bound, whatever timeout its callers give, so a server that
// accepts connections and says nothing (a stopped daemon) holds them for ever. This has the same
// first exchange with a bound.
enum class Reach { Answers, Missing, Silent, Unknown };

Reach reachSocket(const sockaddr_un& where, socklen_t length, QDeadlineTimer deadline) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Reach::Unknown;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    auto wait = [&](short events) {
        pollfd entry{fd, events, 0};
        for (;;) {
            const int ready = ::poll(&entry, 1, int(std::max<qint64>(0, deadline.remainingTime())));
            if (ready < 0 && errno == EINTR) continue;
            return ready > 0 ? entry.revents : 0;
        }
    };
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&where), length) != 0) {
        if (errno != EAGAIN && errno != EINPROGRESS) return Reach::Missing;
        if (!(wait(POLLOUT) & POLLOUT)) return Reach::Silent;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return Reach::Missing;
    }
    // A nul byte, then the EXTERNAL mechanism with our user id (as hex of its decimal digits).
    QByteArray hello("\0AUTH EXTERNAL ", 15);
    hello += QByteArray::number(qulonglong(::getuid())).toHex() + "\r\n";
    if (::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) != hello.size()) return Reach::Missing;
    if (!wait(POLLIN)) return Reach::Silent;
    char reply[64];
    const ssize_t got = ::recv(fd, reply, sizeof reply, 0);
    return got > 0 ? Reach::Answers : Reach::Missing;
}

// The first of the address's entries that can be reached decides, as it does for libdbus. Only
// Unix sockets are tried; any other kind is Unknown.
Reach reach(const QByteArray& address, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    DBusAddressEntry** entries = nullptr;
    int count = 0;
    if (!dbus_parse_address(address.constData(), &entries, &count, nullptr)) return Reach::Missing;
    Reach result = Reach::Missing;
    for (int i = 0; i < count && result == Reach::Missing; ++i) {
        if (std::strcmp(dbus_address_entry_get_method(entries[i]), "unix") != 0) {
            result = Reach::Unknown;
            break;
        }
        const char* path = dbus_address_entry_get_value(entries[i], "path");
        const char* abstract = dbus_address_entry_get_value(entries[i], "abstract");
        const char* name = path ? path : abstract;
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        const size_t offset = abstract && !path ? 1 : 0;  // an abstract name starts with a nul byte
        if (!name || std::strlen(name) + offset >= sizeof where.sun_path) {
            result = Reach::Unknown;
            break;
        }
        std::memcpy(where.sun_path + offset, name, std::strlen(name));
        const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + std::strlen(name) + (offset ? 0 : 1));
        result = reachSocket(where, length, deadline);
    }
    dbus_address_entries_free(entries);
    return result;
}

// A call on `connection`, waiting at most `timeoutMs` for the answer.
Message call(DBusConnection* connection, const char* destination, const char* path, const char* interface,
             const char* method, int timeoutMs, Error& error) {
    Message request(dbus_message_new_method_call(destination, path, interface, method));
    if (!request) return nullptr;
    return Message(dbus_connection_send_with_reply_and_block(connection, request.get(), timeoutMs, &error.error));
}

// A private connection to the bus at `address` that has said hello, each step bounded. Null with
// `problem` set otherwise. A private connection never ends the process when it is lost.
Connection openBus(const QByteArray& address, int timeoutMs, const QString& what, QString* problem) {
    if (reach(address, timeoutMs) == Reach::Silent) {
        *problem = QStringLiteral("%1が答えません").arg(what);
        return nullptr;
    }
    Error error;
    Connection connection(dbus_connection_open_private(address.constData(), &error.error));
    if (!connection) {
        *problem = QStringLiteral("%1につながりません（%2）").arg(what, error.message());
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    const Message hello = call(connection.get(), DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello",
                               timeoutMs, error);
    if (!hello) {
        *problem = error.timedOut() ? QStringLiteral("%1が答えません").arg(what)
                                    : QStringLiteral("%1につながりません（%2）").arg(what, error.message());
        return nullptr;
    }
    return connection;
}

// Why a bus was left out for the rest of the process; empty while it is not.
QString& sessionBusLeftOut() {
    static QString problem;
    return problem;
}
QString& accessibilityBusLeftOut() {
    static QString problem;
    return problem;
}

const QString kSessionBus = QStringLiteral("セッションバス");

// The session bus's address as libdbus finds it without starting one: DBUS_SESSION_BUS_ADDRESS,
// else the user's bus socket in XDG_RUNTIME_DIR; empty when neither names one.
QByteArray sessionBusAddress() {
    if (const char* address = env("DBUS_SESSION_BUS_ADDRESS")) return address;
    if (const char* runtime = env("XDG_RUNTIME_DIR")) {
        const QByteArray socket = QByteArray(runtime) + "/bus";
        if (QFileInfo::exists(QString::fromLocal8Bit(socket))) {
            char* escaped = dbus_address_escape_value(socket.constData());
            const QByteArray address = QByteArray("unix:path=") + (escaped ? escaped : "");
            dbus_free(escaped);
            return address;
        }
    }
    return {};
}

// A connection to the session bus, where libdbus would find it; with neither an address nor a
// socket, a bus started for this display (dbus-launch), whose hello only libdbus itself can say.
Connection sessionBus(int timeoutMs, QString* problem) {
    if (!sessionBusLeftOut().isEmpty()) {
        *problem = sessionBusLeftOut();
        return nullptr;
    }
    const QByteArray address = sessionBusAddress();
    if (!address.isEmpty()) return openBus(address, timeoutMs, kSessionBus, problem);
    Error error;
    Connection connection(dbus_bus_get_private(DBUS_BUS_SESSION, &error.error));
    if (!connection) {
        *problem = QStringLiteral("%1につながりません（%2）").arg(kSessionBus, error.message());
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    return connection;
}

// The AT_SPI_BUS property of the root window of the display libatspi would ask (AT_SPI_DISPLAY,
// else DISPLAY without its screen number); empty when there is none.
QByteArray rootWindowAddress() {
    QByteArray name;
    if (const char* display = env("AT_SPI_DISPLAY")) {
        name = display;
    } else if (const char* display = env("DISPLAY")) {
        name = display;
        const qsizetype colon = name.lastIndexOf(':');
        const qsizetype dot = name.lastIndexOf('.');
        if (colon >= 0 && dot > colon) name.truncate(dot);
    } else {
        return {};
    }
    return X11Connection::rootWindowText(name.constData(), "AT_SPI_BUS");
}

// The accessibility bus's address where it is known without asking anyone: AT_SPI_BUS_ADDRESS,
// else the X root window's property (not under Wayland, as libatspi does).
QByteArray knownAccessibilityBusAddress() {
    if (const char* given = env("AT_SPI_BUS_ADDRESS")) return given;
    if (env("DISPLAY") && !env("WAYLAND_DISPLAY")) return rootWindowAddress();
    return {};
}

QString busName(const QString& kind, const QByteArray& address) {
    return QStringLiteral("%1（%2）").arg(kind, QString::fromUtf8(address));
}

const QString kAccessibilityBus = QStringLiteral("アクセシビリティバス");

// Leaves the bus at `address` out for the rest of the process when it accepts connections and
// says nothing: `variable` names one that fails at once instead, and `leftOut` keeps why.
QString leaveOutIfSilent(const QByteArray& address, double timeoutSeconds, const QString& kind,
                         const char* variable, QString& leftOut) {
    if (address.isEmpty() || reach(address, milliseconds(timeoutSeconds)) != Reach::Silent) return {};
    leftOut = QStringLiteral("%1が %2 秒以内に答えません").arg(busName(kind, address)).arg(timeoutSeconds);
    qputenv(variable, kNowhere);
    return leftOut;
}

}  // namespace

QString leaveOutSessionBusThatHangs(double timeoutSeconds) {
    return leaveOutIfSilent(sessionBusAddress(), timeoutSeconds, kSessionBus, "DBUS_SESSION_BUS_ADDRESS",
                            sessionBusLeftOut());
}

QString leaveOutAccessibilityBusThatHangs(double timeoutSeconds) {
    return leaveOutIfSilent(knownAccessibilityBusAddress(), timeoutSeconds, kAccessibilityBus, "AT_SPI_BUS_ADDRESS",
                            accessibilityBusLeftOut());
}

Lookup accessibilityBus(double timeoutSeconds) {
    if (!accessibilityBusLeftOut().isEmpty()) return {{}, accessibilityBusLeftOut()};
    const int timeoutMs = milliseconds(timeoutSeconds);
    QByteArray address = knownAccessibilityBusAddress();
    if (address.isEmpty()) {
        QString problem;
        const Connection session = sessionBus(timeoutMs, &problem);
        if (!session) return {{}, problem};
        Error error;
        const Message reply = call(session.get(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                   timeoutMs, error);
        if (!reply) {
            if (error.is(DBUS_ERROR_SERVICE_UNKNOWN) || error.is(DBUS_ERROR_NAME_HAS_NO_OWNER))
                return {{}, QStringLiteral("セッションバスに org.a11y.Bus がありません")};
            if (error.timedOut()) return {{}, QStringLiteral("org.a11y.Bus が答えません")};
            return {{}, QStringLiteral("org.a11y.Bus にアドレスを聞けません（%1）").arg(error.message())};
        }
        const char* text = nullptr;
        if (dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID) && text)
            address = text;
        if (address.isEmpty()) return {{}, QStringLiteral("org.a11y.Bus がアドレスを返しません")};
    }
    QString problem;
    const Connection bus = openBus(address, timeoutMs, busName(kAccessibilityBus, address), &problem);
    if (!bus) return {{}, problem};
    return {address, {}};
}

}  // namespace BusLookup
