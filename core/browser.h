#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

// The rules that put the file browser on its drive and folder: at start-up (RestoreBrowser), when the
// operator picks a drive (DriveComboBox1Click), and the floppy confirmation with its fall-back to drive C:.
namespace tarvelin::core {

// What the rules need of the browser's lists and of the operator.
class BrowserHost {
public:
    virtual ~BrowserHost() = default;
    // The drive list's entries, each starting with a lower-case letter and a colon ("c: [op]").
    virtual std::vector<std::string> driveEntries() const = 0;
    // Selects a drive entry, as a program sets it (no pick).
    virtual void selectDrive(int index) = 0;
    // Puts the directory list (and so the file list) on a folder; "C:" or "c:" is drive C:'s current folder.
    virtual void setDirectory(std::string_view path) = 0;
    virtual bool directoryExists(std::string_view path) const = 0;
    // ProbeDriveA: whether drive A: holds a readable medium.
    virtual bool probeDriveA() = 0;
    // The floppy question (caption "ＦＤ確認", OK and Cancel); true for OK.
    virtual bool askFloppyQuestion(std::string_view text) = 0;
};

// The first two characters of a text, upper-cased ("c: [op]" gives "C:").
std::string driveOf(std::string_view text);

// FallBackToDriveC: the directory list on drive C:'s current folder, DirPath "C:", and the first drive entry
// of drive C: selected, with its index in Drive (both left as they were when there is none).
void FallBackToDriveC(BrowserHost& host, Settings::MainKeys& main);

// ConfirmFloppy: asks the floppy question; OK runs the probe once more and keeps drive A: when a medium is
// there now; Cancel, or a second failed probe, falls back to drive C:.
void ConfirmFloppy(BrowserHost& host, Settings::MainKeys& main);

// RestoreBrowser: at start-up, the floppy question when the saved folder is on an empty drive A:, then the
// drive list and the directory list on the saved drive and folder; a saved drive index that no longer
// names the saved folder's drive, or a saved folder that is gone, leads to drive C: or to the drive's
// current folder.
void RestoreBrowser(BrowserHost& host, Settings::MainKeys& main);

// DriveComboBox1Click: before a picked drive is applied, the probe of drive A: and, when drive A: was
// picked and holds no medium, the floppy question.
void DriveComboBox1Click(BrowserHost& host, int pickedIndex, Settings::MainKeys& main);

}  // namespace tarvelin::core
