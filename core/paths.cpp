#include "core/paths.h"

#include "platform/mbcs.h"

namespace tarvelin::core {

std::string folderOfPath(std::string_view path) {
    const size_t last = platform::lastDelimiter(path, "\\:");
    if (last == std::string_view::npos) {
        return {};
    }
    size_t length = last + 1;
    if (last > 0 && path[last] == '\\' && platform::lastDelimiter(path.substr(0, last), "\\:") != last - 1) {
        length = last;
    }
    return std::string(path.substr(0, length));
}

std::string pathInFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    const size_t last = platform::lastDelimiter(path, "\\/");
    if (!path.empty() && (last == std::string::npos || last + 1 != path.size())) {
        path += path.front() == '/' ? '/' : '\\';
    }
    path += name;
    return path;
}

}  // namespace tarvelin::core
