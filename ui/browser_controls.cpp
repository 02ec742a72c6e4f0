#include "ui/browser_controls.h"

#include <algorithm>

#include <QStyle>

#include "core/filters.h"
#include "core/paths.h"
#include "platform/directory.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/mbcs.h"
#include "ui/ansi_text.h"

namespace tarvelin::ui {
namespace {

constexpr int kPathRole = Qt::UserRole;

QByteArray bytesOf(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string textOf(const QVariant& value) {
    const QByteArray bytes = value.toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A drive path's components below its root ("C:\NC\JOB" gives NC, JOB), never split at a trail byte.
std::vector<std::string> componentsOf(const std::string& path) {
    std::vector<std::string> parts;
    size_t begin = 3;
    for (size_t i = 3; i <= path.size();) {
        if (i == path.size() || path[i] == '\\') {
            if (i > begin) {
                parts.push_back(path.substr(begin, i - begin));
            }
            begin = ++i;
        } else {
            i += platform::charLengthAt(path, i);
        }
    }
    return parts;
}

std::vector<std::string> sortedNames(std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::upper(a) < platform::upper(b);
    });
    return names;
}

}  // namespace

DriveComboBox::DriveComboBox(QWidget* parent) : QComboBox(parent) {
    reload();
}

void DriveComboBox::reload() {
    clear();
    for (const auto& drive : platform::drives().drives()) {
        const std::string entry = platform::driveEntryText(drive);
        addItem(fromAnsi(entry), bytesOf(entry));
    }
}

std::vector<std::string> DriveComboBox::entries() const {
    std::vector<std::string> texts;
    for (int i = 0; i < count(); ++i) {
        texts.push_back(textOf(itemData(i)));
    }
    return texts;
}

int DriveComboBox::indexOfDrive(char letter) const {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    for (int i = 0; i < count(); ++i) {
        const std::string entry = textOf(itemData(i));
        if (!entry.empty() && entry[0] == lower) {
            return i;
        }
    }
    return -1;
}

DirectoryListBox::DirectoryListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this, &DirectoryListBox::openItem);
}

void DirectoryListBox::setDirectory(const std::string& path) {
    std::string folder = path;
    if (folder.size() >= 2 && folder[1] == ':' && (folder.size() == 2 || folder[2] != '\\')) {
        // A drive alone, or a path relative to the drive's current folder.
        const std::string current = platform::drives().currentFolder(folder[0]);
        folder = folder.size() == 2 ? current : core::pathInFolder(current, folder.substr(2));
    }
    if (folder.size() >= 2 && folder[1] == ':') {
        folder[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0])));
    }
    if (folder.size() < 3 || folder[1] != ':' || platform::drives().find(folder[0]) == nullptr) {
        return;
    }
    if (!platform::directoryExists(folder)) {
        folder = folder.substr(0, 3);
    }
    // Keep the path in its canonical form: the root with its backslash, a sub-folder without.
    std::string canonical = folder.substr(0, 3);
    for (const auto& part : componentsOf(folder)) {
        canonical = core::pathInFolder(canonical, part);
    }
    directory_ = canonical;
    platform::mutableDrives().setCurrentFolder(directory_);

    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    std::string walked = directory_.substr(0, 3);
    auto* root = new QListWidgetItem(
        open, fromAnsi(std::string{static_cast<char>(std::tolower(directory_[0])), ':', '\\'}), this);
    root->setData(kPathRole, bytesOf(walked));
    int level = 1;
    QListWidgetItem* current = root;
    for (const auto& part : componentsOf(directory_)) {
        walked = core::pathInFolder(walked, part);
        current = new QListWidgetItem(open, QString(level * 2, QLatin1Char(' ')) + fromAnsi(part), this);
        current->setData(kPathRole, bytesOf(walked));
        ++level;
    }
    std::vector<std::string> folders;
    for (const auto& entry : platform::listDirectory(directory_)) {
        if (entry.folder && !entry.hidden) {
            folders.push_back(entry.name);
        }
    }
    for (const auto& name : sortedNames(folders)) {
        auto* item = new QListWidgetItem(closed, QString(level * 2, QLatin1Char(' ')) + fromAnsi(name), this);
        item->setData(kPathRole, bytesOf(core::pathInFolder(directory_, name)));
    }
    setCurrentItem(current);
    emit directoryChanged();
}

void DirectoryListBox::openItem(QListWidgetItem* item) {
    setDirectory(textOf(item->data(kPathRole)));
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FileListBox::setDirectory(const std::string& path) {
    directory_ = path;
    refresh();
}

void FileListBox::setMask(const std::string& mask) {
    mask_ = mask;
    refresh();
}

void FileListBox::refresh() {
    clear();
    std::vector<std::string> names;
    for (const auto& entry : platform::listDirectory(directory_)) {
        if (entry.file && !entry.hidden) {
            names.push_back(entry.name);
        }
    }
    for (const auto& name : core::filesForMask(names, mask_)) {
        auto* item = new QListWidgetItem(fromAnsi(name), this);
        item->setData(kPathRole, bytesOf(name));
    }
}

std::vector<std::string> FileListBox::selectedFileNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) {
            names.push_back(textOf(item(i)->data(kPathRole)));
        }
    }
    return names;
}

}  // namespace tarvelin::ui
