#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/apply_edits.h"
#include "core/line_index.h"
#include "core/percent_mode.h"
#include "core/program_check.h"

namespace tarvelin::platform {
class ScreenSaver;
class OpenFile;
class FileReplacement;
}  // namespace tarvelin::platform

namespace tarvelin::core {

class JoinedText;
struct ReplacementPair;

// One pair of the replacement table: an empty search string switches the pair off, an empty replacement
// deletes what is found.
struct Replacement {
    std::string search;
    std::string replacement;
};

// What a join takes besides its list. Texts are code page 932.
struct JoinOptions {
    PercentMode percentMode = PercentMode::FrontAndBack;
    std::array<Replacement, 3> replacements;
    // Front and end data files; an empty path means none. A path whose file does not exist adds nothing.
    std::string frontFile;
    std::string endFile;
    // The list file the entries were read from, if any. Like the front and end data, it is never written
    // over by the join.
    std::string listFile;
    // The join check (結合ﾁｪｯｸ): the run's log ends with what the check found in the joined text.
    bool check = false;
    // Only the check: no output is asked for nor written.
    bool checkOnly = false;
};

// The most findings of the join check that a run logs, one a line; the rest are counted.
inline constexpr size_t kCheckLinesShown = 100;

// What the save dialog is asked with.
struct SaveDialogRequest {
    std::string initialFolder;
    std::string filter;
    std::string title;
    std::string fileName;
};

// What a join needs of its window. The join window implements it; tests and the command-line joiner
// implement it without one. Every text is code page 932.
class JoinHost {
public:
    virtual ~JoinHost() = default;

    virtual void clearLog() = 0;
    // Adds a line at the end of the log.
    virtual void addLogLine(std::string_view line) = 0;
    // The data pane is to show `text`. The text stays valid and unchanged until the next run starts.
    virtual void showDataText(std::string_view text) = 0;
    // The same, with the index of the text's lines made while it was written.
    virtual void showDataText(std::string_view text, LineIndex index) {
        static_cast<void>(index);
        showDataText(text);
    }
    // Shows the save dialog; the chosen full path, or nothing when the operator cancels.
    virtual std::optional<std::string> askOutputPath(const SaveDialogRequest& request) = 0;
    // A message box with the caption "確認", the stop icon and an OK button.
    virtual void showStopMessage(std::string_view text) = 0;
    // A yes/no question of the warning kind (caption "警告"); true only for "はい(&Y)".
    virtual bool askWarningQuestion(std::string_view text) = 0;
    // Lets the window handle the events that are waiting (repaints, clicks).
    virtual void processPendingEvents() = 0;
    // Called often while a large file is read: the window handles its events when it last did so a while
    // ago, so that it never goes a noticeable time without.
    virtual void keepResponsive() {}
    // Brings the log page to the front and gives the log pane the focus.
    virtual void showLogPage() = 0;
    virtual void focusStartButton() = 0;
    virtual void enablePrintButton() = 0;
    // Whether the host shows the data text. One that does not (the command-line joiner) lets the run write
    // the joined text out as it goes instead of holding it whole in memory.
    virtual bool showsDataText() const { return true; }
};

enum class JoinOutcome {
    Completed,       // the output file holds the joined data
    Cancelled,       // the save dialog was cancelled: nothing logged, nothing written
    Refused,         // the output is one of the inputs: nothing written
    AlreadyRunning,  // a run was asked for while one runs: ignored
};

struct JoinResult {
    JoinOutcome outcome = JoinOutcome::Cancelled;
    std::string outputPath;
    int listed = 0;        // N: entries in the join list
    int joined = 0;        // M: entries that existed as files when the run reached them
    bool checked = false;  // the join check ran
    size_t checkWarnings = 0;
    size_t checkNotices = 0;
};

// The join run: asks for the output name, joins the text of every listed file that exists in list order,
// removes every "%", applies the replacement table, puts the front and end data around the text, adds the
// "%" lines of the percent mode and writes the result as the output file, logging each stage. A file that
// cannot be created or read raises platform::FileError; the log keeps what was written so far.
//
// The joined text is built in the program's memory and stays there as the data text, so the data pane
// shows what was saved whatever other programs do to the output later. The output file is written once,
// beside the old one, and takes its place only when it is complete: a run that fails or is killed leaves
// the earlier file at the path untouched.
class JoinRun {
public:
    JoinRun(JoinHost& host, platform::ScreenSaver& screenSaver);

    // Runs a whole join over `joinList` (taken as it is when the run starts, so nothing that happens while
    // the window handles events can change it). `saveFolder` (ChgPath) is the save dialog's initial folder;
    // it becomes the output's folder once the name is accepted. A call while a run is going on returns
    // AlreadyRunning and does nothing.
    JoinResult run(std::vector<std::string> joinList, const JoinOptions& options, std::string& saveFolder);

    bool running() const { return running_; }

    // Lets the data text (what the host was last shown) go, with the memory it holds: the panes were
    // emptied.
    void releaseDataText();

private:
    struct DataFile;
    struct Output;

    // The stages of a run, in their order. runStages asks for the output, refuses an output that is an
    // input, and runs the others; joinListedFiles builds the joined text (and, for a host that does not
    // show it, writes it as it goes); addFrontAndEndData puts the front and end data and the "%" marks
    // around it.
    JoinResult runStages(const std::vector<std::string>& joinList, const JoinOptions& options, std::string& saveFolder);
    int joinListedFiles(const std::vector<std::string>& joinList, const JoinOptions& options, DataFile& front,
                        size_t endSize, Output& output);
    int appendListedFiles(const std::vector<std::string>& joinList, JoinedText& joined);
    void finishEdits(JoinedText& joined, const std::vector<ReplacementPair>& pairs);
    void addFrontAndEndData(const JoinOptions& options, DataFile& front, DataFile& back, Output& output);
    void finishCheck(ProgramCheck& check, JoinResult& result);
    // Reads the front or end data piece by piece, cut at its first NUL and with its line breaks made
    // CR LF, and gives each piece to `take`. A file that cannot be read, or that changed while it was
    // read, keeps why in `file.error` for its step.
    void readDataFile(DataFile& file, const std::function<void(std::string_view)>& take);
    // Ends a run however it ends: the screen saver back on, the data pane showing the data text.
    void endRun();

    // Whether the output is a file that the run reads: a listed file, the front or end data, the list file.
    bool outputIsAnInput(const std::vector<std::string>& joinList, const JoinOptions& options,
                         const std::string& outputPath) const;
    // Makes ready to write the output; raises platform::FileError::cannotCreate when it may not be written.
    static platform::FileReplacement prepareOutput(const std::string& output);
    // Appends the text of one listed file to the joined text.
    void appendDataFile(const std::string& path, JoinedText& joined);
    // The next piece of a file's text, read into buffer_ and cut at a NUL byte. A piece shorter than the
    // buffer is the last one.
    std::string_view readTextPiece(platform::OpenFile& file);
    // The format question; true for "はい(&Y)".
    bool askFormat();
    // The format question, and on "はい(&Y)" the fallback reader's text of the file (else empty).
    std::string askFormatAndReadLines(std::string_view path);
    // Logs what the percent mode adds.
    void logPercentMode(PercentMode percentMode);
    void log(std::string_view line) { host_.addLogLine(line); }

    JoinHost& host_;
    platform::ScreenSaver& screenSaver_;
    bool running_ = false;
    std::string data_;                         // the data text
    std::string work_;                         // the joined text's lines not written yet
    std::optional<LineIndex::Builder> index_;  // the data text's line index, made as it is written
    std::vector<CheckSegment> checkSegments_;  // where the front data, each listed file and the end data start
    size_t lineBreaks_ = 0;                    // of the joined text before the end data
    std::string buffer_;                       // a piece of a listed file, reused from file to file
};

}  // namespace tarvelin::core
