#pragma once

#include <string>
#include <vector>

#include <QComboBox>
#include <QListWidget>

// The three lists of the file browser: drives, the folders of the current path, and the files of the
// current folder that match a mask. Paths and names are program texts (code page 932); the lists read the
// disk through the platform layer, so that Shift-JIS file names written by another desktop show too.
namespace tarvelin::ui {

// One entry per drive of the drive table, in letter order: "c: [home]" (the last part of the drive's host
// folder in brackets), or the bare "d:" of a removable medium.
class DriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr);
    // Reads the drive table again.
    void reload();
    std::vector<std::string> entries() const;
    // The index of a drive's entry, or -1.
    int indexOfDrive(char letter) const;
};

// The current folder's path from the drive's root down, then its sub-folders. Opening an entry (a double
// click, or Enter) makes it the current folder.
class DirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);

    // Makes a folder current. "C:" (a drive alone) is that drive's current folder; a folder that is not
    // there leaves its drive's root current. The drive's current folder follows.
    void setDirectory(const std::string& path);
    // The current folder: a drive's root with its backslash ("C:\"), a sub-folder without ("C:\NC").
    const std::string& directory() const { return directory_; }

signals:
    void directoryChanged();

private:
    void openItem(QListWidgetItem* item);

    std::string directory_;
};

// The files of a folder that match a mask, several selectable, sorted by name without regard to case;
// hidden files, folders and whatever is not a file (devices, FIFOs, sockets, dangling links) are left out.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    void setDirectory(const std::string& path);
    void setMask(const std::string& mask);
    const std::string& directory() const { return directory_; }
    const std::string& mask() const { return mask_; }
    // The names of the selected files, in the list's order.
    std::vector<std::string> selectedFileNames() const;
    // Lists the folder again.
    void refresh();

private:
    std::string directory_;
    std::string mask_ = "*.*";
};

}  // namespace tarvelin::ui
