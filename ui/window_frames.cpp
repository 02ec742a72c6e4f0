#include "ui/window_frames.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#if defined(TARVELIN_X11_FRAMES)
#include <cstdlib>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#endif

namespace tarvelin::ui {
namespace {

// The frame a window was last known to have, kept on the window: the same window gets the same frame.
constexpr const char* kKnownFrame = "tarvelinKnownFrame";

void remember(QWidget* window, QMargins frame) {
    window->setProperty(kKnownFrame, QVariant::fromValue(frame));
}

std::optional<QMargins> remembered(const QWidget* window) {
    const QVariant known = window->property(kKnownFrame);
    return known.isValid() ? std::optional(known.value<QMargins>()) : std::nullopt;
}

// Qt's own account of a shown window's frame.
QMargins qtFrame(const QWidget* window) {
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

#if defined(TARVELIN_X11_FRAMES)

xcb_connection_t* x11() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    const auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return native != nullptr ? native->connection() : nullptr;
}

xcb_atom_t atomOf(xcb_connection_t* connection, const char* name) {
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// _NET_FRAME_EXTENTS of a window (left, right, top, bottom), once the window manager has set it.
std::optional<QMargins> frameExtents(xcb_connection_t* connection, xcb_window_t window) {
    static const xcb_atom_t extents = atomOf(connection, "_NET_FRAME_EXTENTS");
    const auto cookie = xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::optional<QMargins> margins;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto* value = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        margins = QMargins(static_cast<int>(value[0]), static_cast<int>(value[2]), static_cast<int>(value[1]),
                           static_cast<int>(value[3]));
    }
    std::free(reply);
    return margins;
}

// Where the X server has a window's client area, on the root window: the truth, where Qt's own geometry can lag
// behind the window manager's moves or take a frame for the client area.
std::optional<QPoint> clientCorner(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto cookie = xcb_translate_coordinates(connection, window, root, 0, 0);
    xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(connection, cookie, nullptr);
    std::optional<QPoint> corner;
    if (reply != nullptr) {
        corner = QPoint(reply->dst_x, reply->dst_y);
    }
    std::free(reply);
    return corner;
}

#endif

}  // namespace

QMargins windowFrame(QWidget* window) {
#if defined(TARVELIN_X11_FRAMES)
    if (xcb_connection_t* connection = x11()) {
        std::optional<QMargins> frame;
        if (window->isVisible() && window->internalWinId() != 0) {
            frame = frameExtents(connection, static_cast<xcb_window_t>(window->internalWinId()));
        }
        if (!frame) {
            // Not shown yet: the frame it had before, never its native window made for asking (a window
            // that exists before it is placed takes a move for its client area's corner).
            frame = remembered(window);
        }
        if (frame) {
            remember(window, *frame);
            return *frame;
        }
    }
#endif
    if (window->isVisible()) {
        const QMargins frame = qtFrame(window);
        remember(window, frame);
        return frame;
    }
    return remembered(window).value_or(expectedFrame(window->parentWidget()));
}

QMargins expectedFrame(const QWidget* owner) {
    if (owner == nullptr) {
        return {};
    }
    return windowFrame(owner->window());
}

QPoint frameCorner(const QWidget* window) {
#if defined(TARVELIN_X11_FRAMES)
    if (xcb_connection_t* connection = x11(); connection != nullptr && window->internalWinId() != 0) {
        const QMargins frame = windowFrame(const_cast<QWidget*>(window));
        const auto client = clientCorner(connection, static_cast<xcb_window_t>(window->internalWinId()));
        return client.value_or(window->geometry().topLeft()) - QPoint(frame.left(), frame.top());
    }
#endif
    const QWindow* handle = window->windowHandle();
    return handle != nullptr ? handle->framePosition() : window->frameGeometry().topLeft();
}

QPoint besideCorner(const QWidget* window) {
    return frameCorner(window) + QPoint(50, 50);
}

void placeFrame(QWidget* window, QPoint corner) {
    // A move of a window not shown yet asks for its frame's corner (north-west gravity on X11), which every
    // window manager honours; a client position (static gravity) some managers put a title bar's height off.
    window->move(corner);
}

void placeOver(QWidget* dialog, const QWidget* owner) {
    if (!dialog->testAttribute(Qt::WA_Resized)) {
        dialog->adjustSize();
    }
    const QSize frameSize = dialog->size().grownBy(windowFrame(dialog));
    QPoint corner;
    if (owner != nullptr && owner->window()->isVisible()) {
        const QWidget* top = owner->window();
        const QRect ownerFrame(frameCorner(top), top->size().grownBy(windowFrame(const_cast<QWidget*>(top))));
        corner = ownerFrame.center() - QPoint(frameSize.width() / 2, frameSize.height() / 2);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        corner = screen->availableGeometry().center() - QPoint(frameSize.width() / 2, frameSize.height() / 2);
    }
    placeFrame(dialog, cornerOnScreen(dialog, corner, frameSize));
}

QPoint cornerOnScreen(const QWidget* window, QPoint corner, QSize frameSize) {
    const QScreen* screen = QGuiApplication::screenAt(corner + QPoint(frameSize.width() / 2, 10));
    if (screen == nullptr) {
        screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return corner;
    }
    const QRect area = screen->availableGeometry();
    // The right and bottom edges first, then the left and top ones, which win where the window is larger
    // than the screen: its title bar stays in reach.
    corner.setX(std::max(area.left(), std::min(corner.x(), area.right() + 1 - frameSize.width())));
    corner.setY(std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - frameSize.height())));
    return corner;
}

}  // namespace tarvelin::ui
