#include "core/join_list.h"

#include "platform/mbcs.h"

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

size_t JoinList::addFiles(std::string_view folder, const std::vector<std::string>& fileNames) {
    size_t added = 0;
    for (const auto& name : fileNames) {
        std::string candidate = entryFor(folder, name);
        bool listed = false;
        for (const auto& entry : entries_) {
            if (platform::sameText(entry, candidate)) {
                listed = true;
                break;
            }
        }
        if (!listed) {
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
        move(static_cast<size_t>(selected_), static_cast<size_t>(selected_ + 1));
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
