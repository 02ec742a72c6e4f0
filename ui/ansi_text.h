#pragma once

#include <string>
#include <string_view>

#include <QString>

#include "platform/cp932_utf16.h"

// The boundary between the program's code page 932 texts and Qt's strings. The conversion is lossless:
// toAnsi(fromAnsi(bytes)) gives the bytes back, whatever they are (see platform/cp932_utf16.h). A character
// that code page 932 cannot hold becomes "?" in toAnsi.
namespace tarvelin::ui {

inline std::u16string_view utf16Of(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

inline QString fromAnsi(std::string_view cp932) {
    QString text(static_cast<qsizetype>(cp932.size()), Qt::Uninitialized);
    text.resize(static_cast<qsizetype>(platform::decodeCp932(cp932, reinterpret_cast<char16_t*>(text.data()))));
    return text;
}

inline std::string toAnsi(const QString& text) {
    return platform::encodeCp932(utf16Of(text));
}

// A UTF-8 literal of the source code as the program's own text: tr-like, for captions and messages.
inline QString jp(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace tarvelin::ui
