#include "platform/file_error.h"

#include "platform/codepage.h"

namespace tarvelin::platform {

std::string formatMessage(std::string_view format, std::string_view argument) {
    std::string result(format);
    const size_t at = result.find("%s");
    if (at != std::string::npos) {
        result.replace(at, 2, argument);
    }
    return result;
}

FileError FileError::cannotOpen(std::string_view path) {
    return FileError(formatMessage(ansi("ファイル %s は開けません"), path));
}

FileError FileError::cannotCreate(std::string_view path) {
    return FileError(formatMessage(ansi("ファイル %s を作成できません"), path));
}

FileError FileError::cannotWrite(std::string_view path) {
    return FileError(formatMessage(ansi("%s に書き込めません"), path));
}

}  // namespace tarvelin::platform
