#include "core/join_list.h"

#include <cstdint>
#include <functional>
#include <unordered_set>

#include "platform/drives.h"
#include "platform/files.h"

namespace tarvelin::core {

void JoinList::select(int index) {
    selected_ = index >= 0 && index < static_cast<int>(entries_.size()) ? index : -1;
}

std::string JoinList::entryFor(std::string_view folder, std::string_view fileName) {
    std::string entry(folder);
    if (folder.size() > 3) {
        entry += '\\';
    }
    entry += fileName;
    return entry;
}

namespace {

// What makes two entries the same file. A file that exists is known by its identity (device and inode,
// links followed), so that two spellings of one file are one entry wherever the file system takes them
// for one (another letter case on a case-insensitive mount, a link, a hard link), and two names that differ
// only in case are two entries where they are two files. A file that does not exist (an entry of a list
// file that names nothing) is known by its host path, or by its text when no drive holds it.
struct FileKey {
    bool exists = false;
    platform::FileIdentity identity;
    std::string path;

    bool operator==(const FileKey&) const = default;
};

struct FileKeyHash {
    size_t operator()(const FileKey& key) const {
        if (!key.exists) {
            return std::hash<std::string>()(key.path);
        }
        const size_t volume = std::hash<uint64_t>()(key.identity.volume);
        const size_t index = std::hash<uint64_t>()(key.identity.index);
        return volume ^ (index + 0x9e3779b97f4a7c15ULL + (volume << 6) + (volume >> 2));
    }
};

FileKey keyOf(const std::string& entry) {
    if (const auto identity = platform::fileIdentity(entry)) {
        return FileKey{true, *identity, {}};
    }
    return FileKey{false, {}, platform::hostPath(entry).value_or(entry)};
}

}  // namespace

size_t JoinList::addFiles(std::string_view folder, const std::vector<std::string>& fileNames) {
    if (fileNames.empty()) {
        return 0;
    }
    // One look-up per file instead of a comparison with every entry, so that adding thousands of files to a
    // list of thousands stays quick.
    std::unordered_set<FileKey, FileKeyHash> listed;
    listed.reserve(entries_.size() + fileNames.size());
    for (const auto& entry : entries_) {
        listed.insert(keyOf(entry));
    }
    size_t added = 0;
    for (const auto& name : fileNames) {
        std::string candidate = entryFor(folder, name);
        if (listed.insert(keyOf(candidate)).second) {
            entries_.push_back(std::move(candidate));
            ++added;
        }
    }
    return added;
}

void JoinList::move(size_t from, size_t to) {
    std::string entry = std::move(entries_[from]);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(from));
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(to), std::move(entry));
}

void JoinList::moveToTop() {
    if (selected_ > 0) {
        move(static_cast<size_t>(selected_), 0);
    }
    select(0);
}

void JoinList::moveUp() {
    if (selected_ >= 1) {
        move(static_cast<size_t>(selected_), static_cast<size_t>(selected_ - 1));
        --selected_;
    }
}

void JoinList::moveDown() {
    if (selected_ >= 0 && selected_ + 1 < static_cast<int>(entries_.size())) {
        const auto from = static_cast<size_t>(selected_);
        move(from, from + 1);
        ++selected_;
    }
}

void JoinList::moveToBottom() {
    const int last = static_cast<int>(entries_.size()) - 1;
    if (selected_ >= 0 && selected_ < last) {
        move(static_cast<size_t>(selected_), static_cast<size_t>(last));
    }
    select(last);
}

void JoinList::removeSelected() {
    if (selected_ >= 0) {
        entries_.erase(entries_.begin() + selected_);
    }
    selected_ = -1;
}

void JoinList::clear() {
    entries_.clear();
    selected_ = -1;
}

void JoinList::assign(std::vector<std::string> entries) {
    entries_ = std::move(entries);
    selected_ = -1;
}

}  // namespace tarvelin::core
