#pragma once

#include <QDialog>
#include <QKeyEvent>

namespace tarvelin::ui {

// A dialog that puts itself where it opens just before it appears. That is done before the window first
// exists: once it exists but has no frame yet, a move would put its client area, not its frame, at the
// point. Escape does not close it: it is left with its buttons or its close box.
class PlacedDialog : public QDialog {
public:
    using QDialog::QDialog;

    void setVisible(bool visible) override {
        if (visible && !isVisible()) {
            placeWindow();
        }
        QDialog::setVisible(visible);
    }

protected:
    // Moves (and sizes) the window for the showing about to happen.
    virtual void placeWindow() = 0;

    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }

    // A dialog without a minimise box of its own comes back at once when a window manager minimises it
    // all the same: the modal dialog would take the whole program along, with nothing left to restore it.
    void changeEvent(QEvent* event) override {
        QDialog::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && isMinimized() &&
            !windowFlags().testFlag(Qt::WindowMinimizeButtonHint)) {
            QMetaObject::invokeMethod(
                this, [this] { setWindowState(windowState() & ~Qt::WindowMinimized); }, Qt::QueuedConnection);
        }
    }
};

}  // namespace tarvelin::ui
