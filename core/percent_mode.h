#pragma once

namespace tarvelin::core {

// The percent mode (`OP1`): which "%" lines a join adds. Any other value adds none and logs nothing.
enum PercentMode : int {
    OP1_FB = 1,  // "前後に％付加": at the front and at the back
    OP1_F = 2,   // "前のみ％付加": at the front only
    OP1_B = 3,   // "後のみ％付加": at the back only
    OP1_NO = 4,  // "前後％無し": none
};

constexpr bool isPercentMode(int value) {
    return value >= OP1_FB && value <= OP1_NO;
}

}  // namespace tarvelin::core
