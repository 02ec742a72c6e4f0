#pragma once

#include <map>
#include <string>
#include <string_view>

#include "core/percent_mode.h"
#include "platform/codepage.h"

namespace tarvelin::core {

// The in-memory settings record: one field per key of the settings file, named as in the file
// (Settings.View.Left is View/Left). Strings are code page 932. The main window's own place (Main/Left,
// Main/Top) is not part of it: it goes straight to the window.
struct Settings {
    struct MainKeys {
        int Drive = 1;                // index of the drive entry selected in the browser
        std::string DirPath = "C:";   // the browser's folder
        int Mask = 1;                 // index of the filter entry selected at show
        std::string ListPath = "C:";  // folder of the last list file
        std::string ChgPath = "C:";   // folder of the last joined output
    } Main;
    struct ViewKeys {
        int Left = 10;  // the join window's and the editor's place
        int Top = 10;
        int Width = 500;
        int Height = 510;
        int FontSize = 10;  // points, of the join window's panes
    } View;
    struct OptionsKeys {
        int OP1 = op1Of(PercentMode::FrontAndBack);  // percent mode
        int JoinCheck = 0;  // 1: the join check (結合ﾁｪｯｸ) is on; in the file only while it is
    } Options;
    struct SettingKeys {
        int Mask_No = 0;  // index of the filter entry last picked
        std::string User1_Name = platform::ansi("ﾕｰｻﾞ1");
        std::string User1_Mask = "*.*";
        std::string User2_Name = platform::ansi("ﾕｰｻﾞ2");
        std::string User2_Mask = "*.*";
    } Setting;
    struct EditKeys {
        std::string DelChar1, DelChar2, DelChar3;  // search strings of the replacement table
        std::string ChgChar1, ChgChar2, ChgChar3;  // their replacements
    } Edit;
};

// The main window's place on the screen, kept in Main/Left and Main/Top.
struct WindowPlace {
    int Left = 10;
    int Top = 10;
};

struct LoadedSettings {
    Settings settings;
    WindowPlace mainWindow;
};

// The settings file of a program file: its path with the extension (from the file name's last "." on)
// replaced by ".INI", or ".INI" appended when the name has no ".".
std::string settingsFilePath(std::string_view programPath);

// Reads every key with its default, opening the file once. A missing file or key is no error. Integers
// in "0x" notation are hexadecimal; a value that does not convert gives the key's default.
LoadedSettings LoadSettings(std::string_view settingsPath);

// Writes every key as one write per key would, in the file's order (Main/Top before Main/Left, View/Height
// always as 510), and puts the file back once: a settings file is never left with some keys of this save
// and some of the one before. Options/JoinCheck is written only while the check is on (and removed when it
// goes off), so that a settings file without the check stays as it always was. A file that cannot be written raises
// platform::FileError "%s に書き込めません" with the settings file's path, and stays as it was.
void SaveSettings(std::string_view settingsPath, const Settings& settings, WindowPlace mainWindow);

// The drive letters that the settings file's section [Drives] maps to host folders ("C=/home/op/nc"); an
// empty folder removes a letter. The program reads this section and never writes it.
std::map<char, std::string> loadDriveOverrides(std::string_view settingsPath);

}  // namespace tarvelin::core
