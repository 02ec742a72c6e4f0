#pragma once

#include <string>
#include <string_view>
#include <vector>

// The join list: the ordered list of the files one join processes, with at most one entry selected.
namespace tarvelin::core {

class JoinList {
public:
    const std::vector<std::string>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    // The selected index, -1 for none.
    int selected() const { return selected_; }
    void select(int index);

    // The entry "選択" builds for a file of the browser's folder: the folder, "\" when the folder is longer
    // than three characters (a drive root such as "C:\" already ends with one), the file name.
    static std::string entryFor(std::string_view folder, std::string_view fileName);

    // Appends the files of a folder in the given order, skipping every one that names a file already listed
    // (files appended earlier in the same call included): the same file, not the same letters, so that on a
    // case-sensitive file system "a.nc" and "A.NC" are two files and on a case-insensitive one they are
    // one. Returns how many were added.
    size_t addFiles(std::string_view folder, const std::vector<std::string>& fileNames);

    // The four moves. Each takes the entry out and inserts it at its target; the others keep their order.
    // "最上" and "最下" select the first or last entry even when nothing was selected; "上" and "下" with
    // nothing selected change nothing.
    void moveToTop();
    void moveUp();
    void moveDown();
    void moveToBottom();

    // Removes the selected entry; afterwards nothing is selected.
    void removeSelected();
    // Empties the list.
    void clear();
    // Replaces the whole list (a loaded list file); nothing is selected.
    void assign(std::vector<std::string> entries);

    // Whether there are enough entries to join (two or more).
    bool enoughToJoin() const { return entries_.size() >= 2; }

private:
    void move(size_t from, size_t to);

    std::vector<std::string> entries_;
    int selected_ = -1;
};

}  // namespace tarvelin::core
