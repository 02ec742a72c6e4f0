#include "platform/file_error.h"

#include "platform/codepage.h"

namespace tarvelin::platform {

std::string formatMessage(std::string_view format, std::string_view argument) {
    const size_t at = format.find("%s");
    if (at == std::string_view::npos) {
        return std::string(format);
    }
    std::string result;
    result.reserve(format.size() + argument.size());
    result.append(format.substr(0, at)).append(argument).append(format.substr(at + 2));
    return result;
}

FileError FileError::cannotOpen(std::string_view path) {
    return FileError(formatMessage(ansi("ファイル %s は開けません"), path));
}

FileError FileError::cannotCreate(std::string_view path) {
    return FileError(formatMessage(ansi("ファイル %s を作成できません"), path));
}

FileError FileError::changedWhileRead(std::string_view path) {
    return FileError(formatMessage(ansi("ファイル %s は読み込み中に変更されました"), path));
}

FileError FileError::cannotWrite(std::string_view path) {
    return FileError(formatMessage(ansi("%s に書き込めません"), path));
}

}  // namespace tarvelin::platform
