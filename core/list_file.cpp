#include "core/list_file.h"

#include "core/paths.h"
#include "platform/file_error.h"
#include "platform/file_replacement.h"
#include "platform/files.h"

namespace tarvelin::core {

std::vector<std::string> parseListFile(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> entries;
    size_t begin = 0;
    while (begin < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            entries.emplace_back(bytes.substr(begin));
            break;
        }
        entries.emplace_back(bytes.substr(begin, end - begin));
        begin = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return entries;
}

std::string formatListFile(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const auto& entry : entries) {
        bytes += entry;
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<std::string> readListFile(std::string_view path) {
    return parseListFile(platform::readWholeFile(path));
}

void writeListFile(std::string_view path, const std::vector<std::string>& entries) {
    if (!platform::replaceFileContents(path, formatListFile(entries))) {
        throw platform::FileError::cannotCreate(path);
    }
}

std::string listFolderOf(std::string_view listFileName) {
    return folderOfPath(listFileName);
}

}  // namespace tarvelin::core
