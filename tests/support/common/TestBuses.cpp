#include "TestBuses.h"

#include "platform/linux/X11Connection.h"

#include <QFile>

#include <cstring>
#include <dbus/dbus.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Xlib's macros clash with Qt's names: last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

QByteArray rootAccessibilityBusAddress() { return X11Connection::rootWindowText(nullptr, "AT_SPI_BUS"); }

// Everyone may talk to everyone and own any name; there are no service folders, so nothing can be
// started on demand (no accessibility launcher either).
const char* kBusConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

}  // namespace

struct PrivateSessionBus::Hung {
    DBusConnection* connection = nullptr;
    int questions = 0;
    ~Hung() {
        if (!connection) return;
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};

PrivateSessionBus::PrivateSessionBus() {
    const QString socket = dir_.filePath(QStringLiteral("bus"));
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly)) return;
    config.write(QString::fromUtf8(kBusConfig).arg(socket).toUtf8());
    config.close();
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000)) return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
    hung_.reset();
    if (daemon_.state() == QProcess::NotRunning) return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) daemon_.kill();
    daemon_.waitForFinished(1000);
}

bool PrivateSessionBus::hangAsTheAccessibilityLauncher() {
    if (!ok()) return false;
    auto hung = std::make_unique<Hung>();
    DBusError error;
    dbus_error_init(&error);
    hung->connection = dbus_connection_open_private(address_.toUtf8().constData(), &error);
    if (!hung->connection) {
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(hung->connection, FALSE);
    const bool owner = dbus_bus_register(hung->connection, &error) &&
                       dbus_bus_request_name(hung->connection, "org.a11y.Bus", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) ==
                           DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
    dbus_error_free(&error);
    if (!owner) return false;
    hung_ = std::move(hung);
    return true;
}

int PrivateSessionBus::addressQuestions() {
    if (!hung_) return 0;
    dbus_connection_read_write(hung_->connection, 0);
    while (DBusMessage* message = dbus_connection_pop_message(hung_->connection)) {
        if (dbus_message_is_method_call(message, "org.a11y.Bus", "GetAddress")) ++hung_->questions;
        dbus_message_unref(message);
    }
    return hung_->questions;
}

SilentSocket::SilentSocket() {
    const QByteArray path = dir_.filePath(QStringLiteral("silent")).toLocal8Bit();
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    if (!dir_.isValid() || size_t(path.size()) >= sizeof where.sun_path) return;
    std::memcpy(where.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 128) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

SilentSocket::~SilentSocket() {
    if (fd_ >= 0) ::close(fd_);
}

QString SilentSocket::path() const { return dir_.filePath(QStringLiteral("silent")); }
QString SilentSocket::address() const { return QStringLiteral("unix:path=") + path(); }

HiddenAccessibilityBusProperty::HiddenAccessibilityBusProperty() {
    if (QByteArray address = rootAccessibilityBusAddress(); !address.isEmpty()) saved_ = address;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    XDeleteProperty(display, DefaultRootWindow(display), XInternAtom(display, "AT_SPI_BUS", False));
    XCloseDisplay(display);
}

HiddenAccessibilityBusProperty::~HiddenAccessibilityBusProperty() {
    if (!saved_) return;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "AT_SPI_BUS", False), XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(saved_->constData()), int(saved_->size()));
    XCloseDisplay(display);
}

AnnouncingProgram::AnnouncingProgram() {
    const QByteArray address = rootAccessibilityBusAddress();
    if (address.isEmpty()) return;
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(address.constData(), &error);
    if (connection && !dbus_bus_register(connection, &error)) {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
        connection = nullptr;
    }
    dbus_error_free(&error);
    if (connection) dbus_connection_set_exit_on_disconnect(connection, FALSE);
    connection_ = connection;
}

AnnouncingProgram::~AnnouncingProgram() {
    if (!connection_) return;
    dbus_connection_close(connection_);
    dbus_connection_unref(connection_);
}

void AnnouncingProgram::focus(const QByteArray& element, bool gained) {
    if (!connection_) return;
    const QByteArray path = "/org/a11y/atspi/accessible/" + element;
    DBusMessage* signal = dbus_message_new_signal(path.constData(), "org.a11y.atspi.Event.Object", "StateChanged");
    DBusMessageIter args, variant, reference;
    dbus_message_iter_init_append(signal, &args);
    const char* state = "focused";
    const dbus_int32_t detail1 = gained ? 1 : 0, detail2 = 0, nothing = 0;
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &state);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &detail1);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &detail2);
    dbus_message_iter_open_container(&args, DBUS_TYPE_VARIANT, "i", &variant);
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &nothing);
    dbus_message_iter_close_container(&args, &variant);
    const char* sender = dbus_bus_get_unique_name(connection_);
    const char* root = "/org/a11y/atspi/accessible/root";
    dbus_message_iter_open_container(&args, DBUS_TYPE_STRUCT, nullptr, &reference);
    dbus_message_iter_append_basic(&reference, DBUS_TYPE_STRING, &sender);
    dbus_message_iter_append_basic(&reference, DBUS_TYPE_OBJECT_PATH, &root);
    dbus_message_iter_close_container(&args, &reference);
    dbus_connection_send(connection_, signal, nullptr);
    dbus_message_unref(signal);
}

bool AnnouncingProgram::flush() {
    if (!connection_) return false;
    // The bus handles one program's messages in order: once it has answered this, it has passed
    // on every announcement before it.
    DBusMessage* ping = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "GetId");
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection_, ping, 5000, &error);
    dbus_message_unref(ping);
    dbus_error_free(&error);
    if (reply) dbus_message_unref(reply);
    return reply != nullptr;
}
