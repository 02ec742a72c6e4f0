#include "core/join_run.h"

#include <cstring>
#include <system_error>
#include <utility>

#include "core/data_text.h"
#include "core/paths.h"
#include "platform/codepage.h"
#include "platform/file_error.h"
#include "platform/files.h"
#include "platform/mbcs.h"
#include "platform/memory.h"
#include "platform/screensaver.h"

namespace tarvelin::core {
namespace {

using platform::ansi;

constexpr size_t kStreamPiece = size_t{1} << 20;
// Room kept behind a loaded text for the front and end data and the marks, so that they fit without moving
// the text to a new place.
constexpr size_t kFramingSlack = size_t{1} << 20;
// From this size on, the memory for the joined text is prepared on another thread while the listed files
// are copied: touching hundreds of megabytes of fresh memory takes as long as the copying itself.
constexpr size_t kPreparedRoomMinimum = size_t{32} << 20;

const std::string& separatorLine() { return ansi("------------"); }

// Undoes a change when the scope is left, however it is left.
template <typename Undo>
class ScopeExit {
public:
    explicit ScopeExit(Undo undo) : undo_(std::move(undo)) {}
    ~ScopeExit() { undo_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Undo undo_;
};

std::optional<platform::OpenFile> tryOpenForReading(std::string_view path) {
    try {
        return platform::OpenFile::forReading(path);
    } catch (const platform::FileError&) {
        return std::nullopt;
    }
}

// The front or end text: the file's bytes up to the first NUL with every line break made CR LF.
std::string readDataFile(const std::string& path) {
    std::string text = platform::readWholeFile(path);
    cutAtNul(text);
    normalizeLineBreaks(text);
    return text;
}

}  // namespace

JoinRun::JoinRun(JoinHost& host, platform::ScreenSaver& screenSaver) : host_(host), screenSaver_(screenSaver) {}

JoinResult JoinRun::run(std::vector<std::string> joinList, const JoinOptions& options, std::string& saveFolder) {
    if (running_) {
        return JoinResult{JoinOutcome::AlreadyRunning, {}, 0, 0};
    }
    running_ = true;
    screenSaver_.setActive(false);
    const ScopeExit end([this] {
        running_ = false;
        host_.showDataText(dataText_);
        screenSaver_.setActive(true);
    });

    JoinResult result;
    result.listed = static_cast<int>(joinList.size());
    host_.clearLog();
    dataText_.clear();
    host_.showDataText(dataText_);

    const auto chosen = host_.askOutputPath(
        {saveFolder, ansi("結合(*.nc)|*.nc|すべて(*.*)|*.*"), ansi("結合ﾌｧｲﾙ保存"), std::string()});
    if (!chosen) {
        result.outcome = JoinOutcome::Cancelled;
        return result;
    }
    const std::string& output = *chosen;
    result.outputPath = output;
    log(ansi("--- 開始 ---"));

    if (outputIsAnInput(joinList, output)) {
        host_.showStopMessage(ansi("この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"));
        log(ansi("--- 中止 ---"));
        host_.focusStartButton();
        result.outcome = JoinOutcome::Refused;
        return result;
    }

    saveFolder = folderOfPath(output);
    platform::createEmptyFile(output);
    prepareRoomForJoinedText(joinList);

    for (const auto& entry : joinList) {
        if (platform::fileExists(entry)) {
            auto file = platform::OpenFile::forAppending(output);
            log(ansi("有:") + entry);
            appendDataFile(entry, file);
            file.close();
            ++result.joined;
        } else {
            log(ansi("無:") + entry);
        }
        host_.processPendingEvents();
        host_.showLogPage();
    }

    log(separatorLine());
    dataText_.clear();
    host_.showDataText(dataText_);
    host_.processPendingEvents();

    log(ansi("％を削除しています。"));
    takePreparedRoom();
    loadText(output, true);
    log(separatorLine());

    for (const auto& pair : options.replacements) {
        if (pair.search.empty()) {
            continue;
        }
        log(pair.search + ansi("を削除しています。"));
        replaceIgnoringCase(dataText_, pair.search, pair.replacement);
    }
    log(separatorLine());

    // The front and end data and the "%" marks are gathered first and put around the text in one move.
    std::string prefix;
    std::string suffix;
    if (!options.frontFile.empty() && platform::fileExists(options.frontFile)) {
        log(ansi("前部に付加データを追加しています。"));
        prefix = readDataFile(options.frontFile);
        prefix += "\r\n";  // the line feed between the front text and the data text
    }
    if (!options.endFile.empty() && platform::fileExists(options.endFile)) {
        log(ansi("後部に付加データを追加しています。"));
        suffix = "\r\n";  // the line feed between the data text and the end text
        suffix += readDataFile(options.endFile);
    }

    log(separatorLine());
    addPercentMarks(options.percentMode, prefix, suffix);
    frameText(dataText_, prefix, suffix);

    log(separatorLine());
    log(ansi("保存中です。しばらくお待ちください。"));
    platform::writeWholeFile(output, dataText_);

    log(ansi("--- 終了 ---"));
    log(ansi("結合ﾌｧｲﾙ名は") + output + ansi("です。"));
    log(std::to_string(result.listed) + ansi("個中 ") + std::to_string(result.joined) + ansi("個結合しました。"));
    host_.enablePrintButton();
    result.outcome = JoinOutcome::Completed;
    return result;
}

void JoinRun::prepareRoomForJoinedText(const std::vector<std::string>& joinList) {
    size_t expected = kFramingSlack;
    for (const auto& entry : joinList) {
        expected += platform::fileSize(entry).value_or(0);
    }
    if (expected < kPreparedRoomMinimum) {
        return;
    }
    try {
        preparedRoom_ = std::async(std::launch::async, [expected] { return platform::preparedRoom(expected); });
    } catch (const std::system_error&) {
        // No thread to spare: the text gets its memory as it is read.
    }
}

void JoinRun::takePreparedRoom() {
    if (preparedRoom_.valid()) {
        dataText_ = preparedRoom_.get();
    }
}

bool JoinRun::outputIsAnInput(const std::vector<std::string>& joinList, const std::string& outputPath) const {
    for (const auto& entry : joinList) {
        if (platform::sameText(entry, outputPath)) {
            return true;
        }
    }
    // The same file under another spelling (a link, "." or "..", another drive) would be emptied before it
    // is read: compare the files themselves when the output exists.
    const auto output = platform::fileIdentity(outputPath);
    if (!output || !platform::fileExists(outputPath)) {
        return false;
    }
    for (const auto& entry : joinList) {
        if (platform::fileIdentity(entry) == output) {
            return true;
        }
    }
    return false;
}

void JoinRun::addPercentMarks(int percentMode, std::string& prefix, std::string& suffix) {
    const bool front = percentMode == OP1_FB || percentMode == OP1_F;
    const bool back = percentMode == OP1_FB || percentMode == OP1_B;
    switch (percentMode) {
        case OP1_FB:
            log(ansi("前後に％を付加しました。"));
            break;
        case OP1_F:
            log(ansi("前のみ％を付加しました。"));
            break;
        case OP1_B:
            log(ansi("後のみ％を付加しました。"));
            break;
        case OP1_NO:
            log(ansi("前後に％は有りません。"));
            break;
        default:
            break;
    }
    if (front) {
        prefix.insert(0, kFrontMark);
    }
    if (back) {
        // The end of the whole text that prefix, data text and suffix will make.
        const std::string_view textEnd = !suffix.empty() ? std::string_view(suffix)
                                         : !dataText_.empty() ? std::string_view(dataText_)
                                                              : std::string_view(prefix);
        suffix += backMarkFor(textEnd);
    }
}

void JoinRun::LoadDataFile(std::string_view path) { loadText(path, false); }

void JoinRun::loadText(std::string_view path, bool dropPercent) {
    auto file = tryOpenForReading(path);
    if (!file) {
        return;
    }
    dataText_.clear();
    platform::reserveLarge(dataText_, file->size() + kFramingSlack);
    size_t textSize = 0;
    LineBreakNormalizer normalizer;
    const auto append = [&](std::string_view normalized) {
        if (dropPercent) {
            appendWithoutPercent(dataText_, normalized);
        } else {
            dataText_.append(normalized);
        }
    };
    buffer_.resize(kStreamPiece);
    for (;;) {
        const std::string_view piece = readTextPiece(*file);
        textSize += piece.size();
        append(normalizer.feed(piece));
        if (piece.size() < kStreamPiece) {
            break;
        }
    }
    append(normalizer.finish());
    file.reset();
    if (textSize == 0) {
        dataText_ = askFormatAndReadLines(path);
        if (dropPercent) {
            removePercent(dataText_);
        }
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

void JoinRun::appendDataFile(const std::string& path, platform::OpenFile& output) {
    // A file that cannot be read is taken like one whose text is empty: the format question tells the
    // operator that something is wrong with it, and nothing of an earlier file is appended again.
    auto file = tryOpenForReading(path);
    size_t textSize = 0;
    LineBreakNormalizer normalizer;
    buffer_.resize(kStreamPiece);
    while (file) {
        const std::string_view piece = readTextPiece(*file);
        textSize += piece.size();
        output.write(normalizer.feed(piece));
        if (piece.size() < kStreamPiece) {
            break;
        }
    }
    if (textSize == 0) {
        output.write(askFormatAndReadLines(path));
        return;
    }
    output.write(normalizer.finish());
}

std::string JoinRun::askFormatAndReadLines(std::string_view path) {
    const bool yes = host_.askWarningQuestion(
        ansi("ファイル形式が違います。\nそのまま読み込みは可能ですが、データの一部読み込めない可能性が有ります。\n"
             "読み込み開始は「はい(Y)」"));
    if (!yes) {
        return {};
    }
    auto file = tryOpenForReading(path);
    if (!file) {
        return {};
    }
    std::string bytes;
    char piece[65536];
    while (const size_t n = file->read(piece, sizeof piece)) {
        bytes.append(piece, n);
    }
    return readLinePieces(bytes);
}

}  // namespace tarvelin::core
