#include "core/front_end_data.h"

#include <algorithm>
#include <cstring>

#include "core/normalize_line_breaks.h"
#include "core/paths.h"
#include "platform/file_error.h"
#include "platform/file_replacement.h"
#include "platform/files.h"
#include "platform/mbcs.h"

namespace tarvelin::core {

std::string loadFrontEndData(std::string_view folder, std::string_view name) {
    FrontEndDataReader reader(folder, name);
    std::string text;
    text.reserve(reader.fileSize());
    for (std::string_view piece = reader.next(); !piece.empty(); piece = reader.next()) {
        text += piece;
    }
    return text;
}

FrontEndDataReader::FrontEndDataReader(std::string_view folder, std::string_view name, size_t pieceSize)
    : pieceSize_(std::max<size_t>(pieceSize, 1)) {
    const std::string path = pathInFolder(folder, name);
    if (platform::fileExists(path)) {
        file_.emplace(platform::OpenFile::forReading(path));
    } else {
        ended_ = true;
    }
}

std::string_view FrontEndDataReader::next() {
    piece_.clear();
    if (held_) {
        piece_ += *held_;
        held_.reset();
    }
    // A piece of the file may give nothing yet (a CR that waits for its LF).
    while (!ended_ && piece_.size() < 2) {
        buffer_.resize(pieceSize_);
        size_t size = 0;
        while (size < buffer_.size()) {
            const size_t got = file_->read(buffer_.data() + size, buffer_.size() - size);
            if (got == 0) {
                break;
            }
            size += got;
        }
        std::string_view read(buffer_.data(), size);
        // The text ends at the file's end or at its first NUL byte.
        ended_ = size < buffer_.size();
        if (const void* nul = std::memchr(read.data(), '\0', read.size())) {
            read = read.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - read.data()));
            ended_ = true;
        }
        piece_ += normalizer_.feed(read);
        if (ended_) {
            piece_ += normalizer_.finish();
            file_.reset();
        }
    }
    // The piece starts a character, so its last byte is a lone lead byte exactly when it starts one.
    if (!ended_ && platform::isLeadByte(static_cast<unsigned char>(piece_.back())) &&
        platform::isCharStart(piece_, piece_.size() - 1)) {
        held_ = piece_.back();
        piece_.pop_back();
    }
    return piece_;
}

std::string saveFrontEndData(std::string_view folder, std::string_view name, std::string_view text) {
    std::string upper = platform::upper(text);
    writeFrontEndData(folder, name, upper);
    return upper;
}

void writeFrontEndData(std::string_view folder, std::string_view name, std::string text) {
    normalizeLineBreaks(text);
    if (!text.empty() && !text.ends_with("\r\n")) {
        text += "\r\n";
    }
    const std::string path = pathInFolder(folder, name);
    if (!platform::replaceFileContents(path, text)) {
        throw platform::FileError::cannotCreate(path);
    }
}

}  // namespace tarvelin::core
