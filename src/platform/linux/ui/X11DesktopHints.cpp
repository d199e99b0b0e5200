#include "platform/linux/ui/X11DesktopHints.h"

#include <QGuiApplication>
#include <QByteArray>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <xcb/xcb.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct X11 {
    xcb_connection_t* connection = nullptr;
    int screen = 0;
};

std::optional<X11> x11() {
    auto* native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!native || !native->connection() || !native->display()) return std::nullopt;
    return X11{native->connection(), DefaultScreen(native->display())};
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return result;
}

xcb_window_t selectionOwner(xcb_connection_t* connection, const QByteArray& selection) {
    const xcb_atom_t name = atom(connection, selection);
    if (name == XCB_NONE) return XCB_NONE;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, name), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    std::free(reply);
    return owner;
}

}  // namespace

namespace X11DesktopHints {

std::optional<QColor> trayForeground() {
    const std::optional<X11> x = x11();
    if (!x) return std::nullopt;
    const xcb_window_t tray = selectionOwner(x->connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(x->screen));
    if (tray == XCB_NONE) return std::nullopt;
    const xcb_atom_t colors = atom(x->connection, "_NET_SYSTEM_TRAY_COLORS");
    if (colors == XCB_NONE) return std::nullopt;
    // Twelve cardinals: normal, error, warning and success colours, 16 bits per component.
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x->connection, xcb_get_property(x->connection, 0, tray, colors, XCB_ATOM_CARDINAL, 0, 12), nullptr);
    std::optional<QColor> result;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= int(3 * sizeof(uint32_t))) {
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        const auto component = [](uint32_t v) { return int(std::min<uint32_t>(v, 0xffff) >> 8); };
        result = QColor(component(values[0]), component(values[1]), component(values[2]));
    }
    std::free(reply);
    return result;
}

bool compositingManagerRunning() {
    const std::optional<X11> x = x11();
    if (!x) return true;
    return selectionOwner(x->connection, "_NET_WM_CM_S" + QByteArray::number(x->screen)) != XCB_NONE;
}

}  // namespace X11DesktopHints
