#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tarvelin::platform {

// The one error type of the file layer. It carries the message for the operator in code page 932, with
// the file's path in it; the application's general error display shows it and the program goes on.
class FileError : public std::exception {
public:
    explicit FileError(std::string cp932Message) : message_(std::move(cp932Message)) {}

    // "ファイル %s は開けません": a file that cannot be opened or read.
    static FileError cannotOpen(std::string_view path);
    // "ファイル %s を作成できません": a file that cannot be created.
    static FileError cannotCreate(std::string_view path);
    // "ファイル %s は読み込み中に変更されました": a file that another program cut short or wrote to while it
    // was read, so that what was read may be a mix of its old and new content.
    static FileError changedWhileRead(std::string_view path);
    // "%s に書き込めません": a file that cannot be written.
    static FileError cannotWrite(std::string_view path);

    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Puts `argument` in place of the first "%s" of the code page 932 text `format`.
std::string formatMessage(std::string_view format, std::string_view argument);

}  // namespace tarvelin::platform
