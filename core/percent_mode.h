#pragma once

namespace tarvelin::core {

// Which "%" lines a join adds. The settings file keeps it as the integer `OP1` with these values; any
// other value (percentModeOf passes it through) adds none and logs nothing.
enum class PercentMode : int {
    FrontAndBack = 1,  // "前後に％付加"
    FrontOnly = 2,     // "前のみ％付加"
    BackOnly = 3,      // "後のみ％付加"
    None = 4,          // "前後％無し"
};

// The percent mode of the setting `OP1`, whatever its value.
constexpr PercentMode percentModeOf(int op1) {
    return static_cast<PercentMode>(op1);
}

// The setting `OP1` of a percent mode.
constexpr int op1Of(PercentMode mode) {
    return static_cast<int>(mode);
}

constexpr bool addsFrontMark(PercentMode mode) {
    return mode == PercentMode::FrontAndBack || mode == PercentMode::FrontOnly;
}

constexpr bool addsBackMark(PercentMode mode) {
    return mode == PercentMode::FrontAndBack || mode == PercentMode::BackOnly;
}

}  // namespace tarvelin::core
