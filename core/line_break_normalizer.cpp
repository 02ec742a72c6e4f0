#include "core/line_break_normalizer.h"

#include <utility>

#include "core/irregular_break.h"

namespace tarvelin::core {
namespace {

// Appends `text` to `out` with every line break made CR LF.
void appendNormalized(std::string_view text, std::string& out) {
    size_t from = 0;
    while (from < text.size()) {
        const size_t at = findIrregularBreak(text, from);
        out.append(text.substr(from, at - from));
        if (at == text.size()) {
            break;
        }
        out.append("\r\n");
        from = at + 1;
    }
}

}  // namespace

std::string_view LineBreakNormalizer::feed(std::string_view piece) {
    if (piece.empty()) {
        return {};
    }
    const bool heldCr = std::exchange(pendingCr_, false);
    if (!piece.empty() && piece.back() == '\r') {
        pendingCr_ = true;
        piece.remove_suffix(1);
    }
    if (!heldCr && findIrregularBreak(piece, 0) == piece.size()) {
        return piece;
    }
    out_.clear();
    if (heldCr) {
        out_.append("\r\n");
        if (!piece.empty() && piece.front() == '\n') {
            piece.remove_prefix(1);
        }
    }
    appendNormalized(piece, out_);
    return out_;
}

std::string_view LineBreakNormalizer::finish() {
    return std::exchange(pendingCr_, false) ? std::string_view("\r\n") : std::string_view();
}

}  // namespace tarvelin::core
