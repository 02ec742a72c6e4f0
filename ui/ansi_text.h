#pragma once

#include <string>
#include <string_view>

#include <QString>

#include "platform/codepage.h"

// The boundary between the program's code page 932 texts and Qt's strings. Texts are converted for display
// and for what the operator types, never on their way to a file.
namespace tarvelin::ui {

inline QString fromAnsi(std::string_view cp932) {
    return QString::fromStdString(platform::cp932ToUtf8(cp932));
}

inline std::string toAnsi(const QString& text) {
    return platform::utf8ToCp932(text.toStdString());
}

// A UTF-8 literal of the source code as the program's own text: tr-like, for captions and messages.
inline QString jp(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace tarvelin::ui
