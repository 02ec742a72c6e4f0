#include "core/join_run.h"

#include <cstring>
#include <utility>

#include "core/data_text.h"
#include "core/paths.h"
#include "platform/codepage.h"
#include "platform/file_error.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "platform/mbcs.h"
#include "platform/screensaver.h"

namespace tarvelin::core {
namespace {

using platform::ansi;

// Listed files that cannot be mapped into memory are read in pieces of this size.
constexpr size_t kStreamPiece = size_t{1} << 20;

const std::string& separatorLine() {
    return ansi("------------");
}

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

// The text of a mapped file: its bytes up to the first NUL.
std::string_view textOf(const platform::MappedFile& file) {
    const std::string_view bytes = file.view();
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

// The front or end data: whether the file exists, and its text or why it cannot be read. It is read before
// the joined output is edited in place, so that a data file that cannot be read stops the run while the
// output still holds the files as joined; the failure is reported at its step.
struct JoinRun::DataFile {
    bool exists = false;
    std::string text;
    std::optional<platform::FileError> error;

    static DataFile read(const std::string& path) {
        DataFile file;
        file.exists = !path.empty() && platform::fileExists(path);
        if (!file.exists) {
            return file;
        }
        try {
            file.text = platform::readWholeFile(path);
            cutAtNul(file.text);
            normalizeLineBreaks(file.text);
        } catch (const platform::FileError& e) {
            file.error = e;
        }
        return file;
    }

    const std::string& textOrThrow() const {
        if (error) {
            throw *error;
        }
        return text;
    }
};

JoinRun::JoinRun(JoinHost& host, platform::ScreenSaver& screenSaver) : host_(host), screenSaver_(screenSaver) {}

std::string_view JoinRun::dataText() const {
    return data_.text();
}

void JoinRun::releaseDataText() {
    if (!running_) {
        data_.clear();
    }
}

JoinResult JoinRun::run(std::vector<std::string> joinList, const JoinOptions& options, std::string& saveFolder) {
    if (running_) {
        return JoinResult{JoinOutcome::AlreadyRunning, {}, 0, 0};
    }
    running_ = true;
    screenSaver_.setActive(false);
    const ScopeExit end([this] {
        running_ = false;
        host_.showDataText(data_.text());
        screenSaver_.setActive(true);
    });

    JoinResult result;
    result.listed = static_cast<int>(joinList.size());
    host_.clearLog();
    data_.clear();
    host_.showDataText(data_.text());

    const auto chosen =
        host_.askOutputPath({saveFolder, ansi("結合(*.nc)|*.nc|すべて(*.*)|*.*"), ansi("結合ﾌｧｲﾙ保存"), std::string()});
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
    joinedSize_ = 0;
    joinedRegular_ = true;

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
    data_.clear();
    host_.showDataText(data_.text());
    host_.processPendingEvents();

    log(ansi("％を削除しています。"));
    const DataFile front = DataFile::read(options.frontFile);
    const DataFile back = DataFile::read(options.endFile);
    // A front or end file that cannot be read stops the run at its step. The text is then edited in memory,
    // so that the output file keeps the files as joined.
    loadJoinedOutput(output, !front.error && !back.error);
    // The window repaints between the stages: on large programs each takes a good part of a second.
    host_.processPendingEvents();
    log(separatorLine());

    // The "%" removal and the replacements go over the text together, in the order they are logged.
    std::vector<ReplacementPair> pairs;
    for (const auto& pair : options.replacements) {
        if (pair.search.empty()) {
            continue;
        }
        log(pair.search + ansi("を削除しています。"));
        pairs.push_back({pair.search, pair.replacement});
    }
    applyEdits(data_, true, pairs);
    host_.processPendingEvents();
    log(separatorLine());

    // The front and end data and the "%" marks are gathered first and put around the text in one move.
    std::string prefix;
    std::string suffix;
    if (front.exists) {
        log(ansi("前部に付加データを追加しています。"));
        prefix = front.textOrThrow();
        prefix += "\r\n";  // the line feed between the front text and the data text
    }
    if (back.exists) {
        log(ansi("後部に付加データを追加しています。"));
        suffix = "\r\n";  // the line feed between the data text and the end text
        suffix += back.textOrThrow();
    }

    log(separatorLine());
    addPercentMarks(options.percentMode, prefix, suffix);
    frameText(data_, prefix, suffix);
    host_.processPendingEvents();

    log(separatorLine());
    log(ansi("保存中です。しばらくお待ちください。"));
    if (data_.inFile()) {
        data_.checkFileIntact();  // the text was edited in the output file itself
    } else {
        platform::writeWholeFile(output, data_.text());
    }

    log(ansi("--- 終了 ---"));
    log(ansi("結合ﾌｧｲﾙ名は") + output + ansi("です。"));
    log(std::to_string(result.listed) + ansi("個中 ") + std::to_string(result.joined) + ansi("個結合しました。"));
    host_.enablePrintButton();
    result.outcome = JoinOutcome::Completed;
    return result;
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
    if (percentMode == OP1_FB || percentMode == OP1_F) {
        prefix.insert(0, kFrontMark);
    }
    if (percentMode == OP1_FB || percentMode == OP1_B) {
        // The end of the whole text that prefix, data text and suffix will make.
        const std::string_view textEnd = !suffix.empty()    ? std::string_view(suffix)
                                         : data_.size() > 0 ? data_.text()
                                                            : std::string_view(prefix);
        suffix += backMarkFor(textEnd);
    }
}

void JoinRun::LoadDataFile(std::string_view path) {
    auto file = tryOpenForReading(path);
    if (!file) {
        return;
    }
    std::string text;
    file->readRest(text);
    file.reset();
    cutAtNul(text);
    normalizeLineBreaks(text);
    if (text.empty()) {
        text = askFormatAndReadLines(path);
    }
    data_.assign(std::move(text));
}

void JoinRun::loadJoinedOutput(const std::string& output, bool editInPlace) {
    // The joined output is edited in place where it can be mapped into memory; its text then stays in the
    // file, cut at its first NUL byte.
    if (auto file =
            editInPlace ? platform::MappedFile::map(output, platform::MappedFile::Mode::ReadWrite) : std::nullopt) {
        // Regular pieces make a regular whole: the text needs no second look when the file holds just them.
        const bool asWritten = joinedRegular_ && file->view().size() == joinedSize_;
        const size_t regularSize = asWritten ? joinedSize_ : regularTextSize(file->view());
        const size_t textSize = regularSize != std::string_view::npos ? regularSize : textOf(*file).size();
        data_.adopt(std::move(*file), output);
        if (textSize > 0) {
            data_.resize(textSize);
            if (regularSize == std::string_view::npos) {
                normalizeLineBreaks(data_);
            }
            return;
        }
        data_.clear();
        data_.assign(askFormatAndReadLines(output));
        return;
    }
    LoadDataFile(output);
}

void JoinRun::appendDataFile(const std::string& path, platform::OpenFile& output) {
    // Every piece below is regular text (CR LF breaks only, no NUL), except what the format question reads.
    const auto write = [&](std::string_view piece) {
        output.write(piece);
        joinedSize_ += piece.size();
    };
    const auto writeLinesRead = [&] {
        joinedRegular_ = false;
        write(askFormatAndReadLines(path));
    };
    // A file that can be mapped into memory is checked in place and written out from there.
    if (const auto file = platform::MappedFile::map(path, platform::MappedFile::Mode::ReadOnly)) {
        const size_t regularSize = regularTextSize(file->view());
        const std::string_view text =
            regularSize != std::string_view::npos ? file->view().substr(0, regularSize) : textOf(*file);
        if (text.empty()) {
            writeLinesRead();
            return;
        }
        if (regularSize != std::string_view::npos) {
            write(text);
        } else {
            LineBreakNormalizer normalizer;
            for (size_t at = 0; at < text.size(); at += kStreamPiece) {
                write(normalizer.feed(text.substr(at, kStreamPiece)));
            }
            write(normalizer.finish());
        }
        if (file->damaged()) {
            throw platform::FileError::cannotOpen(path);
        }
        return;
    }
    // Otherwise it is read in pieces. A file that cannot be read is taken like one whose text is empty:
    // the format question tells the operator that something is wrong with it, and nothing of an earlier
    // file is appended again.
    auto file = tryOpenForReading(path);
    size_t textSize = 0;
    LineBreakNormalizer normalizer;
    buffer_.resize(kStreamPiece);
    while (file) {
        const std::string_view piece = readTextPiece(*file);
        textSize += piece.size();
        write(normalizer.feed(piece));
        if (piece.size() < kStreamPiece) {
            break;
        }
    }
    if (textSize == 0) {
        writeLinesRead();
        return;
    }
    write(normalizer.finish());
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
    file->readRest(bytes);
    return readLinePieces(bytes);
}

}  // namespace tarvelin::core
