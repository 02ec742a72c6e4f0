#pragma once

class QPushButton;

namespace tarvelin::ui {

// Lets Enter and Return press a push button that has the keyboard focus, as Space does, without making
// it the window's default button (Enter in a box of the window still presses nothing).
void pressWithEnter(QPushButton* button);

}  // namespace tarvelin::ui
