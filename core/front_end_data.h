#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/line_break_normalizer.h"
#include "platform/files.h"

// The front and end data files (Front.txt and End.txt in the program's folder) as the editor reads and
// writes them.
namespace tarvelin::core {

// The text of a data file in `folder`, every line break made CR LF; empty when there is no such file.
// Raises platform::FileError::cannotOpen ("ファイル %s は開けません") for a file that is there but cannot be read.
std::string loadFrontEndData(std::string_view folder, std::string_view name);

// The text of a data file as loadFrontEndData gives it, in pieces, so that a large file can be shown as it
// is read. No piece ends between the two bytes of a double-byte character, so that each converts on its
// own. A piece holds up to `pieceSize` bytes of the file, with a lone CR or LF grown to CR LF.
class FrontEndDataReader {
public:
    static constexpr size_t kPieceSize = size_t{1} << 20;

    // Opens the data file; raises platform::FileError::cannotOpen as loadFrontEndData does.
    FrontEndDataReader(std::string_view folder, std::string_view name, size_t pieceSize = kPieceSize);

    // The file's size in bytes (0 when there is none): about the size of the text.
    size_t fileSize() const { return file_ ? file_->size() : 0; }

    // The next piece, valid until the next call; empty only at the end. Raises platform::FileError::cannotOpen
    // when the file cannot be read.
    std::string_view next();

private:
    std::optional<platform::OpenFile> file_;
    size_t pieceSize_;
    std::string buffer_;
    std::string piece_;
    LineBreakNormalizer normalizer_;
    std::optional<char> held_;  // a lead byte whose trail byte comes with the next piece
    bool ended_ = false;
};

// Upper-cases `text` (the ANSI upper-casing of code page 932) and writes it to the data file in `folder`,
// every line ending with CR LF, the last one too; an empty text gives an empty file. The file is created or
// replaced and is never left half-written. Returns the upper-cased text. Raises
// platform::FileError::cannotCreate ("ファイル %s を作成できません").
std::string saveFrontEndData(std::string_view folder, std::string_view name, std::string_view text);

// Writes a text already upper-cased (as saveFrontEndData and the editor's memo make it) as saveFrontEndData
// does, in the room it takes over: a large text is made ready for its file in place.
void writeFrontEndData(std::string_view folder, std::string_view name, std::string text);

}  // namespace tarvelin::core
