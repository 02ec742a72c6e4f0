#pragma once

#include <QDialog>

namespace tarvelin::ui {

// A dialog that puts itself where it opens just before it appears. That is done before the window first
// exists: once it exists but has no frame yet, a move would put its client area, not its frame, at the
// point.
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
};

}  // namespace tarvelin::ui
