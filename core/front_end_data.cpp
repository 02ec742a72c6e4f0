#include "core/front_end_data.h"

#include "core/cut_at_nul.h"
#include "core/normalize_line_breaks.h"
#include "core/paths.h"
#include "platform/file_error.h"
#include "platform/file_replacement.h"
#include "platform/files.h"
#include "platform/mbcs.h"

namespace tarvelin::core {

std::string loadFrontEndData(std::string_view folder, std::string_view name) {
    const std::string path = pathInFolder(folder, name);
    if (!platform::fileExists(path)) {
        return {};
    }
    std::string text = platform::readWholeFile(path);
    cutAtNul(text);
    normalizeLineBreaks(text);
    return text;
}

std::string saveFrontEndData(std::string_view folder, std::string_view name, std::string_view text) {
    std::string upper = platform::upper(text);
    std::string bytes = upper;
    normalizeLineBreaks(bytes);
    if (!bytes.empty() && !(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0)) {
        bytes += "\r\n";
    }
    const std::string path = pathInFolder(folder, name);
    if (!platform::replaceFileContents(path, bytes)) {
        throw platform::FileError::cannotCreate(path);
    }
    return upper;
}

}  // namespace tarvelin::core
