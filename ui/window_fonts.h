#pragma once

#include <QFont>

// The fonts of the windows: "ＭＳ Ｐゴシック" for the windows and "ＭＳ ゴシック" (fixed pitch) for the join
// list and the join window's panes, both 12 pixels high. Neither exists on Linux; installFontSubstitutes
// maps them to metric-compatible Japanese fonts before any widget exists.
namespace tarvelin::ui {

QFont windowFont();
QFont fixedPitchFont();

// Maps the two faces to IPA Gothic (fonts-ipafont-gothic), with VL Gothic and Noto Sans CJK as fallbacks.
void installFontSubstitutes();

}  // namespace tarvelin::ui
