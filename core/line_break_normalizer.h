#pragma once

#include <string>
#include <string_view>

namespace tarvelin::core {

// Normalizes line breaks as normalizeLineBreaks does, for text that arrives in pieces. A CR at the end of
// a piece is held back until the next byte shows whether it starts a CR LF pair.
class LineBreakNormalizer {
public:
    // The normalized form of the next piece, valid until the next call. A piece that needs no change comes
    // back as it is, without a copy.
    std::string_view feed(std::string_view piece);
    // What is held back at the end (a final lone CR becomes CR LF).
    std::string_view finish();

private:
    bool pendingCr_ = false;
    std::string out_;
};

}  // namespace tarvelin::core
