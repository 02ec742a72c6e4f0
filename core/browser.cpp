#include "core/browser.h"

#include "platform/codepage.h"
#include "platform/mbcs.h"

namespace tarvelin::core {

std::string driveOf(std::string_view text) {
    return platform::upper(text.substr(0, 2));
}

void FallBackToDriveC(BrowserHost& host, Settings::MainKeys& main) {
    host.setDirectory("C:");
    main.DirPath = "C:";
    const auto entries = host.driveEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (driveOf(entries[i]) == "C:") {
            host.selectDrive(static_cast<int>(i));
            main.Drive = static_cast<int>(i);
            return;
        }
    }
}

void ConfirmFloppy(BrowserHost& host, Settings::MainKeys& main) {
    const bool ok = host.askFloppyQuestion(platform::ansi(
        "ディレクトリの設定がフロッピーディスクです。\nフロッピーディスクを使用する場合は挿入してからＯＫを押し"
        "てください。\nキャンセルの場合はデフォルト設定です。"));
    if (ok && host.probeDriveA()) {
        return;
    }
    FallBackToDriveC(host, main);
}

void RestoreBrowser(BrowserHost& host, Settings::MainKeys& main) {
    if (!host.probeDriveA() && driveOf(main.DirPath) == "A:") {
        ConfirmFloppy(host, main);
    }
    const auto entries = host.driveEntries();
    const bool validIndex = main.Drive >= 0 && main.Drive < static_cast<int>(entries.size());
    const std::string savedEntry = validIndex ? entries[static_cast<size_t>(main.Drive)] : std::string();
    if (driveOf(savedEntry) == driveOf(main.DirPath)) {
        host.selectDrive(main.Drive);
        host.setDirectory(host.directoryExists(main.DirPath) ? std::string_view(main.DirPath)
                                                             : std::string_view(savedEntry).substr(0, 2));
        return;
    }
    host.setDirectory("c:");
    main.DirPath = "C:";
    for (size_t i = 0; i < entries.size(); ++i) {
        if (driveOf(entries[i]) == "C:") {
            host.selectDrive(static_cast<int>(i));
            main.Drive = static_cast<int>(i);
            return;
        }
    }
}

void DriveComboBox1Click(BrowserHost& host, int pickedIndex, Settings::MainKeys& main) {
    if (host.probeDriveA()) {
        return;
    }
    const auto entries = host.driveEntries();
    if (pickedIndex < 0 || pickedIndex >= static_cast<int>(entries.size()) ||
        driveOf(entries[static_cast<size_t>(pickedIndex)]) != "A:") {
        return;
    }
    ConfirmFloppy(host, main);
}

}  // namespace tarvelin::core
