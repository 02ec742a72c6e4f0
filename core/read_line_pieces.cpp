#include "core/read_line_pieces.h"

#include <algorithm>
#include <cstring>

#include "core/normalize_line_breaks.h"

namespace tarvelin::core {
namespace {

constexpr size_t kPieceLimit = 499;

}  // namespace

std::string readLinePieces(std::string_view bytes) {
    // Text mode: CR LF reads as one LF.
    std::string translated;
    translated.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        translated += bytes[i];
    }
    std::string lines;
    size_t at = 0;
    while (at < translated.size()) {
        size_t length = std::min(kPieceLimit, translated.size() - at);
        if (const void* lf = std::memchr(translated.data() + at, '\n', length)) {
            length = static_cast<size_t>(static_cast<const char*>(lf) - (translated.data() + at)) + 1;
        }
        std::string_view piece(translated.data() + at, length);
        at += length;
        piece = piece.substr(0, piece.find('\0'));
        if (!piece.empty() && piece.back() == '\n') {
            piece.remove_suffix(1);
        }
        if (!piece.empty()) {
            lines.append(piece);
            lines.append("\r\n");
        }
    }
    normalizeLineBreaks(lines);
    return lines;
}

}  // namespace tarvelin::core
