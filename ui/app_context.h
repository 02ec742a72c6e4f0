#pragma once

#include <string>

namespace tarvelin::platform {
class ScreenSaver;
}

namespace tarvelin::ui {

class Prompter;

// What the windows share: the dialogs, the screen-saver switch, and where the program's files are.
struct AppContext {
    Prompter& prompter;
    platform::ScreenSaver& screenSaver;
    std::string settingsPath;   // the settings file (a program path)
    std::string programFolder;  // the folder of Front.txt and End.txt
};

}  // namespace tarvelin::ui
