#include "platform/file_replacement.h"

#include "platform/drives.h"

namespace tarvelin::platform {

bool replaceFileContents(std::string_view path, std::string_view data) {
    const auto host = hostPath(path);
    if (!host) {
        return false;
    }
    auto replacement = FileReplacement::prepare(*host);
    return replacement && replacement->commit(data);
}

}  // namespace tarvelin::platform
