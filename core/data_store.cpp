#include "core/data_store.h"

#include "platform/file_error.h"
#include "platform/memory.h"

namespace tarvelin::core {

void DataStore::clear() {
    file_.reset();
    path_.clear();
    memory_.clear();
}

void DataStore::assign(std::string text) {
    file_.reset();
    path_.clear();
    memory_ = std::move(text);
}

void DataStore::adopt(platform::MappedFile file, std::string path) {
    memory_ = std::string();
    file_ = std::move(file);
    path_ = std::move(path);
}

char* DataStore::data() {
    return file_ ? file_->data() : memory_.data();
}

size_t DataStore::size() const {
    return file_ ? file_->size() : memory_.size();
}

std::string_view DataStore::text() const {
    return file_ ? file_->view() : std::string_view(memory_);
}

void DataStore::resize(size_t size) {
    if (!file_) {
        platform::reserveLarge(memory_, size);
        memory_.resize(size);
        return;
    }
    if (!file_->resize(size)) {
        throw platform::FileError::cannotWrite(path_);
    }
}

void DataStore::checkFileIntact() const {
    if (file_ && file_->damaged()) {
        throw platform::FileError::cannotWrite(path_);
    }
}

}  // namespace tarvelin::core
