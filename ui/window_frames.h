#pragma once

#include <QMargins>
#include <QPoint>
#include <QSize>

class QWidget;

// Where top-level windows stand, frame and all. The program stores and restores the corners of its windows'
// frames (the window manager's decoration included), and places its messages beside the frame of the
// window that asks. The frame is the window manager's own word where it gives one: on X11 the
// _NET_FRAME_EXTENTS that an EWMH window manager sets on a window (and sets on request before the window is
// shown), which holds whatever the manager's decoration looks like; elsewhere (Windows, the offscreen
// platform) Qt's frame geometry, which the system reports exactly.
namespace tarvelin::ui {

// The frame that a top-level window has, or will have once shown.
QMargins windowFrame(QWidget* window);

// The margins of the frame that a window of `owner` will get: those of the owner's top-level window (a
// window manager frames them alike); none without an owner.
QMargins expectedFrame(const QWidget* owner);

// The top-left corner of a shown top-level window's frame.
QPoint frameCorner(const QWidget* window);

// The place of a message that a window puts beside itself: 50 pixels right of and below its frame's corner.
QPoint besideCorner(const QWidget* window);

// Puts a top-level window that is about to be shown so that its frame's corner stands at `corner`.
void placeFrame(QWidget* window, QPoint corner);

// Puts a dialog that Qt would place itself (a file dialog, the print dialogs) over the middle of its owner's
// window, as Qt does, but never with its frame off the screen.
void placeOver(QWidget* dialog, const QWidget* owner);

// A corner moved just enough that a window of `frameSize` there lies on the screen that holds most of it,
// its title bar at least: a window that Qt places above or left of the screen cannot be dragged back.
QPoint cornerOnScreen(const QWidget* window, QPoint corner, QSize frameSize);

}  // namespace tarvelin::ui
