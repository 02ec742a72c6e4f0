#include "ui/window_fonts.h"

#include <QStringList>

#include "ui/ansi_text.h"

namespace tarvelin::ui {
namespace {

QFont face(const char* name) {
    QFont font(jp(name));
    font.setPixelSize(12);
    return font;
}

}  // namespace

QFont windowFont() {
    return face("ＭＳ Ｐゴシック");
}

QFont fixedPitchFont() {
    QFont font = face("ＭＳ ゴシック");
    font.setFixedPitch(true);
    font.setStyleHint(QFont::Monospace);
    return font;
}

void installFontSubstitutes() {
    QStringList fixedPitch;
    fixedPitch << QStringLiteral("IPAGothic") << QStringLiteral("VL Gothic") << QStringLiteral("Noto Sans Mono CJK JP");
    QFont::insertSubstitutions(jp("ＭＳ ゴシック"), fixedPitch);
    QStringList proportional;
    proportional << QStringLiteral("IPAPGothic") << QStringLiteral("VL PGothic") << QStringLiteral("Noto Sans CJK JP");
    QFont::insertSubstitutions(jp("ＭＳ Ｐゴシック"), proportional);
}

}  // namespace tarvelin::ui
