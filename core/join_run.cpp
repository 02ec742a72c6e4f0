#include "core/join_run.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "core/apply_edits.h"
#include "core/joined_text.h"
#include "core/line_break_normalizer.h"
#include "core/pass_sizes.h"
#include "core/paths.h"
#include "core/percent_marks.h"
#include "core/program_check.h"
#include "core/read_line_pieces.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/file_error.h"
#include "platform/file_replacement.h"
#include "platform/files.h"
#include "platform/mbcs.h"
#include "platform/memory.h"
#include "platform/screensaver.h"

namespace tarvelin::core {
namespace {

using platform::ansi;

const std::string& separatorLine() {
    return ansi("------------");
}

// The file name of a program path, for the join check's lines.
std::string fileNameOf(std::string_view path) {
    const size_t separator = platform::lastDelimiter(path, "\\/:");
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

// The last two bytes of `before` followed by `after`: enough to tell how a text ends (backMarkFor).
std::string lastTwoBytes(std::string_view before, std::string_view after) {
    std::string joined = std::string(before.substr(before.size() - std::min<size_t>(before.size(), 2))) +
                         std::string(after.substr(after.size() - std::min<size_t>(after.size(), 2)));
    return joined.substr(joined.size() - std::min<size_t>(joined.size(), 2));
}

std::optional<platform::OpenFile> tryOpenForReading(std::string_view path) {
    try {
        return platform::OpenFile::forReading(path);
    } catch (const platform::FileError&) {
        return std::nullopt;
    }
}

// The room a listed file takes in the joined text: its size scaled by what the join makes of its first
// 256 KiB (lone line breaks made CR LF, "%" removed, the pairs applied). A program keeps one kind of line
// break throughout, so the sample tells the data pane's room well enough that its text is rarely moved.
size_t joinedSizeOf(std::string_view path, const std::vector<ReplacementPair>& pairs) {
    constexpr size_t kSample = size_t{256} << 10;
    auto file = tryOpenForReading(path);
    if (!file) {
        return 0;
    }
    const size_t size = file->size();
    std::string sample(std::min(size, kSample), '\0');
    size_t read = 0;
    try {
        while (read < sample.size()) {
            const size_t got = file->read(sample.data() + read, sample.size() - read);
            if (got == 0) {
                break;
            }
            read += got;
        }
    } catch (const platform::FileError&) {
        // The join reports the file; the room is then only guessed.
    }
    if (read == 0) {
        return size;
    }
    sample.resize(read);
    std::string edited;
    JoinedText joined(edited, true, pairs);
    joined.append(sample);
    joined.finish();
    return static_cast<size_t>(static_cast<double>(size) * static_cast<double>(edited.size()) /
                               static_cast<double>(read)) +
           1;
}

}  // namespace

// The front or end data: whether a file of that name exists (its step is logged then), its size, and why its
// text cannot be read, which is reported at its step. Anything but a regular file of that name (a folder,
// a device, a FIFO) is refused without being opened, so that it is never read without end nor waited on.
// The text itself is read piece by piece where it goes, like a listed file's: front and end data of
// hundreds of megabytes cost no more than the same bytes listed.
struct JoinRun::DataFile {
    std::string path;
    bool exists = false;
    size_t size = 0;
    std::optional<platform::FileError> error;

    static DataFile find(const std::string& path) {
        DataFile file;
        file.path = path;
        file.exists = !path.empty() && platform::pathExists(path);
        if (file.exists && !platform::fileExists(path)) {
            file.error = platform::FileError::cannotOpen(path);
        }
        file.size = file.exists && !file.error ? platform::fileSize(path).value_or(0) : 0;
        return file;
    }

    bool readable() const { return exists && !error; }

    void throwIfFailed() const {
        if (error) {
            throw *error;
        }
    }
};

// Where the joined text goes, in order: the new output file (none when the join only checks) and the join
// check when it is on. Called on the thread that writes the parts, one part after another.
struct JoinRun::Output {
    std::string path;
    std::optional<platform::FileReplacement> file;
    ProgramCheck* check = nullptr;
    std::string* shown = nullptr;         // the whole text for the data pane, where the host shows it
    LineIndex::Builder* index = nullptr;  // the shown text's line index
    std::string tail;                     // the last two bytes written, for the back mark

    void write(std::string_view piece) {
        if (piece.empty()) {
            return;
        }
        if (check != nullptr) {
            check->feed(piece);
        }
        if (file && !file->write(piece)) {
            throw platform::FileError::cannotCreate(path);
        }
        if (shown != nullptr) {
            keep(piece);
        }
        tail = lastTwoBytes(tail, piece);
    }

    // Appends to the shown text, which was given room for what the files were expected to become: a text
    // that outgrows it grows by an eighth at a time, not twice its size.
    void keep(std::string_view piece) {
        const size_t needed = shown->size() + piece.size();
        if (needed > shown->capacity()) {
            shown->reserve(needed + needed / 8);
        }
        shown->append(piece);
        index->add(*shown);
    }

    // Puts the joined file in place. The joined file is whole from the rename on;
    // it can be made again from its inputs, so the system writes it to the disk in its own time rather than
    // the operator waiting for hundreds of megabytes.
    void commit() {
        if (file && !file->commit({}, platform::FileReplacement::Flush::Later)) {
            throw platform::FileError::cannotCreate(path);
        }
    }
};

JoinRun::JoinRun(JoinHost& host, platform::ScreenSaver& screenSaver) : host_(host), screenSaver_(screenSaver) {}

void JoinRun::releaseDataText() {
    if (!running_) {
        std::string().swap(data_);  // an assignment would keep the buffer for the next text
    }
}

// The list is taken by value on purpose: the run's own copy (see the header).
// NOLINTNEXTLINE(performance-unnecessary-value-param)
JoinResult JoinRun::run(std::vector<std::string> joinList, const JoinOptions& options, std::string& saveFolder) {
    if (running_) {
        return JoinResult{JoinOutcome::AlreadyRunning, {}, 0, 0};
    }
    running_ = true;
    screenSaver_.setActive(false);
    JoinResult result;
    try {
        result = runStages(joinList, options, saveFolder);
    } catch (...) {
        endRun();  // the data pane shows what the run had made when it failed
        throw;
    }
    endRun();
    return result;
}

void JoinRun::endRun() {
    running_ = false;
    screenSaver_.setActive(true);
    if (index_) {
        LineIndex::Builder index = std::move(*index_);
        index_.reset();
        host_.showDataText(data_, LineIndex(data_, std::move(index)));
    } else {
        host_.showDataText(data_);
    }
}

JoinResult JoinRun::runStages(const std::vector<std::string>& joinList, const JoinOptions& options,
                              std::string& saveFolder) {
    JoinResult result;
    result.listed = static_cast<int>(joinList.size());
    host_.clearLog();
    data_ = std::string();
    index_.reset();
    host_.showDataText(data_);
    Output output;
    if (!options.checkOnly) {
        const auto chosen = host_.askOutputPath(
            {saveFolder, ansi("結合(*.nc)|*.nc|すべて(*.*)|*.*"), ansi("結合ﾌｧｲﾙ保存"), std::string()});
        if (!chosen) {
            result.outcome = JoinOutcome::Cancelled;
            return result;
        }
        output.path = *chosen;
        result.outputPath = output.path;
    }
    log(ansi("--- 開始 ---"));
    if (!options.checkOnly && outputIsAnInput(joinList, options, output.path)) {
        host_.showStopMessage(ansi("この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"));
        log(ansi("--- 中止 ---"));
        host_.focusStartButton();
        result.outcome = JoinOutcome::Refused;
        return result;
    }
    if (!options.checkOnly) {
        saveFolder = folderOfPath(output.path);
        output.file.emplace(prepareOutput(output.path));
    }
    std::optional<ProgramCheck> check;
    if (options.check || options.checkOnly) {
        output.check = &check.emplace();
    }
    checkSegments_.clear();
    // A front or end data file that cannot be read stops the run at its step.
    DataFile front = DataFile::find(options.frontFile);
    DataFile back = DataFile::find(options.endFile);
    result.joined = joinListedFiles(joinList, options, front, back.size, output);
    addFrontAndEndData(options, front, back, output);
    log(separatorLine());
    if (!options.checkOnly) {
        log(ansi("保存中です。しばらくお待ちください。"));
    }
    output.commit();
    log(ansi("--- 終了 ---"));
    if (!options.checkOnly) {
        log(ansi("結合ﾌｧｲﾙ名は") + output.path + ansi("です。"));
    }
    log(std::to_string(result.listed) + ansi("個中 ") + std::to_string(result.joined) + ansi("個結合しました。"));
    if (check) {
        finishCheck(*check, result);
    }
    if (!options.checkOnly) {
        host_.enablePrintButton();
    }
    result.outcome = JoinOutcome::Completed;
    return result;
}

int JoinRun::joinListedFiles(const std::vector<std::string>& joinList, const JoinOptions& options, DataFile& front,
                             size_t endSize, Output& output) {
    // The joined text passes through a working text of a few megabytes on its way out: its complete lines
    // are edited and written on a thread of their own while the next ones are read. Where the host shows
    // the text, that thread also keeps it whole for the data pane, in room taken before the run (the window's
    // thread never waits for fresh memory).
    // The "%" removal and the replacements are made while the files are joined, in the order they are
    // logged below.
    std::vector<ReplacementPair> pairs;
    for (const auto& pair : options.replacements) {
        if (!pair.search.empty()) {
            pairs.push_back({pair.search, pair.replacement});
        }
    }
    if (host_.showsDataText()) {
        size_t expectedSize = front.size + endSize + 16;
        for (const auto& entry : joinList) {
            expectedSize += joinedSizeOf(entry, pairs);
        }
        data_.reserve(expectedSize + expectedSize / 64);
        output.shown = &data_;
        output.index = &index_.emplace();
    }
    work_.reserve(size_t{4} << 20);
    JoinedText joined(work_, true, pairs);
    if (output.check != nullptr) {
        joined.countLineBreaks();  // for the line each listed file starts on
    }
    joined.passOn([&output](std::string_view part) { output.write(part); });
    if (addsFrontMark(options.percentMode)) {
        joined.appendUnedited(kFrontMark);
    }
    if (front.readable()) {
        checkSegments_.push_back({joined.lineBreaks() + 1, fileNameOf(front.path), false});
        // The front data stands before the data text unedited, on lines of its own.
        readDataFile(front, [&joined](std::string_view piece) { joined.appendUnedited(piece); });
        joined.appendUnedited("\r\n");
    }
    std::optional<platform::MemoryAhead> ahead;
    if (output.shown != nullptr) {
        ahead.emplace(data_);
    }
    const int joinedCount = appendListedFiles(joinList, joined);
    finishEdits(joined, pairs);
    lineBreaks_ = joined.lineBreaks();
    // What is left of the text after its last part went out.
    output.write(work_);
    std::string().swap(work_);
    return joinedCount;
}

int JoinRun::appendListedFiles(const std::vector<std::string>& joinList, JoinedText& joined) {
    int count = 0;
    for (const auto& entry : joinList) {
        if (platform::fileExists(entry)) {
            log(ansi("有:") + entry);
            checkSegments_.push_back({joined.lineBreaks() + 1, fileNameOf(entry), true});
            appendDataFile(entry, joined);
            ++count;
        } else {
            log(ansi("無:") + entry);
        }
        host_.processPendingEvents();
        host_.showLogPage();
    }
    log(separatorLine());
    host_.showDataText({});
    host_.processPendingEvents();
    return count;
}

void JoinRun::finishEdits(JoinedText& joined, const std::vector<ReplacementPair>& pairs) {
    log(ansi("％を削除しています。"));
    if (joined.empty()) {
        // The joined file would read as empty: the format question is asked once more, and the fallback
        // reader finds nothing in it either way.
        askFormat();
    }
    joined.finish();
    // The window repaints between the stages.
    host_.processPendingEvents();
    log(separatorLine());
    for (const auto& pair : pairs) {
        log(std::string(pair.search) + ansi("を削除しています。"));
    }
    host_.processPendingEvents();
    log(separatorLine());
}

void JoinRun::addFrontAndEndData(const JoinOptions& options, DataFile& front, DataFile& back, Output& output) {
    if (front.exists) {
        log(ansi("前部に付加データを追加しています。"));
        front.throwIfFailed();
    }
    if (back.exists) {
        log(ansi("後部に付加データを追加しています。"));
        back.throwIfFailed();
        output.write("\r\n");  // the line feed between the data text and the end text
        // The end data starts on the line after the separating line feed.
        checkSegments_.push_back({lineBreaks_ + 2, fileNameOf(back.path), false});
        readDataFile(back, [&output](std::string_view piece) { output.write(piece); });
        back.throwIfFailed();
    }
    log(separatorLine());
    logPercentMode(options.percentMode);
    if (addsBackMark(options.percentMode)) {
        // The end of the whole text that the front data, the data text and the end data make.
        output.write(backMarkFor(output.tail));
    }
    host_.processPendingEvents();
}

bool JoinRun::outputIsAnInput(const std::vector<std::string>& joinList, const JoinOptions& options,
                              const std::string& outputPath) const {
    std::vector<std::string_view> read(joinList.begin(), joinList.end());
    for (const std::string* other : {&options.frontFile, &options.endFile, &options.listFile}) {
        if (!other->empty()) {
            read.push_back(*other);
        }
    }
    // The same file under another spelling (a link, "." or "..", another drive) would be replaced before it
    // is read, or read as the joined text of the next run: compare the files themselves too.
    const auto output = platform::fileIdentity(outputPath);
    for (const auto path : read) {
        if (platform::sameText(path, outputPath) || (output && platform::fileIdentity(path) == output)) {
            return true;
        }
    }
    return false;
}

platform::FileReplacement JoinRun::prepareOutput(const std::string& output) {
    const auto host = platform::hostPath(output);
    auto file = host ? platform::FileReplacement::prepare(*host) : std::nullopt;
    if (!file) {
        throw platform::FileError::cannotCreate(output);
    }
    return std::move(*file);
}

// Logs the check's findings after the run's last line: the first kCheckLinesShown of them, one a line, and
// how many there are in all.
void JoinRun::finishCheck(ProgramCheck& check, JoinResult& result) {
    check.setSegments(checkSegments_);
    check.finish();
    result.checked = true;
    result.checkWarnings = check.warningCount();
    result.checkNotices = check.noticeCount();
    const auto& findings = check.findings();
    const size_t shown = std::min(findings.size(), kCheckLinesShown);
    for (size_t k = 0; k < shown; ++k) {
        log(checkLogLine(findings[k], check.segments()));
    }
    const size_t total = result.checkWarnings + result.checkNotices;
    if (total > shown) {
        log(ansi("ﾁｪｯｸ: ほかに ") + std::to_string(total - shown) + ansi(" 件あります"));
    }
    log(checkSummaryLine(result.checkWarnings, result.checkNotices));
}

void JoinRun::logPercentMode(PercentMode percentMode) {
    switch (percentMode) {
        case PercentMode::FrontAndBack:
            log(ansi("前後に％を付加しました。"));
            break;
        case PercentMode::FrontOnly:
            log(ansi("前のみ％を付加しました。"));
            break;
        case PercentMode::BackOnly:
            log(ansi("後のみ％を付加しました。"));
            break;
        case PercentMode::None:
            log(ansi("前後に％は有りません。"));
            break;
        default:
            break;
    }
}

void JoinRun::readDataFile(DataFile& file, const std::function<void(std::string_view)>& take) {
    auto opened = tryOpenForReading(file.path);
    if (!opened) {
        file.error = platform::FileError::cannotOpen(file.path);
        return;
    }
    LineBreakNormalizer normalizer;
    buffer_.resize(passSizes().piece);
    for (;;) {
        std::string_view piece;
        try {
            piece = readTextPiece(*opened);
        } catch (const platform::FileError& e) {
            file.error = e;
            return;
        }
        take(normalizer.feed(piece));
        host_.keepResponsive();
        if (piece.size() < buffer_.size()) {
            break;
        }
    }
    take(normalizer.finish());
    if (opened->changed()) {
        file.error = platform::FileError::changedWhileRead(file.path);
    }
}

void JoinRun::appendDataFile(const std::string& path, JoinedText& joined) {
    const auto appendLinesRead = [&] {
        joined.append(askFormatAndReadLines(path));
        joined.endFile();
    };
    // The file is read in pieces into a buffer that stays in the cache; each piece is cut at a NUL and
    // edited there, so that its bytes cross memory once, as a copy does. (A mapping of the file saved that
    // copy but cost more in page faults and address translation than it saved.) A file that cannot be read
    // is taken like one whose text is empty: the format question tells the operator that something is
    // wrong with it, and nothing of an earlier file is appended again.
    auto file = tryOpenForReading(path);
    size_t textSize = 0;
    buffer_.resize(passSizes().piece);
    while (file) {
        const std::string_view piece = readTextPiece(*file);
        textSize += piece.size();
        joined.append(piece);
        host_.keepResponsive();
        if (piece.size() < buffer_.size()) {
            break;
        }
    }
    if (textSize == 0) {
        appendLinesRead();
    } else {
        joined.endFile();
    }
    // A file that another program cut short or wrote to while it was read, or while the format question
    // about its empty text was open, gave a text that is not the file's: the run must not pass it off as
    // joined.
    if (file && file->changed()) {
        throw platform::FileError::changedWhileRead(path);
    }
}

std::string_view JoinRun::readTextPiece(platform::OpenFile& file) {
    size_t n = 0;
    while (n < buffer_.size()) {
        const size_t got = file.read(buffer_.data() + n, buffer_.size() - n);
        if (got == 0) {
            break;
        }
        n += got;
    }
    std::string_view piece(buffer_.data(), n);
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size())) {
        // The text ends at its first NUL byte: cut there, and report a short piece so that reading stops.
        piece = piece.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - piece.data()));
    }
    return piece;
}

bool JoinRun::askFormat() {
    return host_.askWarningQuestion(
        ansi("ファイル形式が違います。\nそのまま読み込みは可能ですが、データの一部読み込めない可能性が有ります。\n"
             "読み込み開始は「はい(Y)」"));
}

std::string JoinRun::askFormatAndReadLines(std::string_view path) {
    if (!askFormat()) {
        return {};
    }
    auto file = tryOpenForReading(path);
    if (!file) {
        return {};
    }
    std::string bytes;
    file->readRest(bytes);
    return readLinePieces(bytes);
}

}  // namespace tarvelin::core
