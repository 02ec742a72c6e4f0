#pragma once

#include <QFileDialog>

namespace tarvelin::ui {

// Qt's own file dialog that takes the program's drive paths too. The program shows every path as a drive path
// (C:\NC\A.NC), and the operator types them so: a name typed as X:\... (a letter of the drive list, either
// slash, either case) means the file that the browser's X:\... is. A letter the program does not show gets the
// program's "cannot open" or "cannot create" message and the dialog stays open. (The dialog's own folder box
// shows host folders: Qt gives no hook to name its folders otherwise short of a model of the whole file
// system.)
class DriveFileDialog : public QFileDialog {
    Q_OBJECT

public:
    using QFileDialog::QFileDialog;

    void accept() override;
};

}  // namespace tarvelin::ui
