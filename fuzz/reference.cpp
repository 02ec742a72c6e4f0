#include "fuzz/reference.h"

// Built without the fuzzer's coverage instrumentation (see fuzz/CMakeLists.txt): the models are not under
// test, and their comparisons would only slow the runs and dilute what guides the fuzzer.
namespace tarvelin::fuzz {

bool refLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool refTrail(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// starts[i]: byte i begins a character (a lead byte followed by a trail byte is one character of two
// bytes, every other byte one of its own). starts[size] is true.
std::vector<char> refCharStarts(std::string_view s) {
    std::vector<char> starts(s.size() + 1, 0);
    size_t i = 0;
    while (i < s.size()) {
        starts[i] = 1;
        const bool pair = refLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                          refTrail(static_cast<unsigned char>(s[i + 1]));
        i += pair ? 2 : 1;
    }
    starts[s.size()] = 1;
    return starts;
}

// Upper case: single-byte a..z only; both bytes of a double-byte character stay.
std::string refUpper(std::string_view s) {
    const std::vector<char> starts = refCharStarts(s);
    std::string out(s);
    for (size_t i = 0; i < s.size(); ++i) {
        const bool single = starts[i] && starts[i + 1];
        if (single && s[i] >= 'a' && s[i] <= 'z') {
            out[i] = static_cast<char>(s[i] - 'a' + 'A');
        }
    }
    return out;
}

std::string refCutAtNul(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c == '\0') {
            break;
        }
        out += c;
    }
    return out;
}

// Every line break CR LF: CR LF stays one break, a lone CR and a lone LF each become CR LF.
std::string refNormalize(std::string_view s) {
    std::string out;
    out.reserve(2 * s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\n') {
                ++i;
            }
        } else if (s[i] == '\n') {
            out += "\r\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string refRemovePercent(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c != '%') {
            out += c;
        }
    }
    return out;
}

// Every occurrence of `search` replaced, case ignored for single-byte letters, left to right without
// overlapping; a match starts and ends on character boundaries of the text; what is put in is not
// searched again.
std::string refReplace(std::string_view text, std::string_view search, std::string_view replacement, size_t* count) {
    if (count != nullptr) {
        *count = 0;
    }
    if (search.empty()) {
        return std::string(text);
    }
    const std::string upperText = refUpper(text);
    const std::string upperSearch = refUpper(search);
    const std::vector<char> starts = refCharStarts(text);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool match = starts[i] && i + search.size() <= text.size() && starts[i + search.size()];
        for (size_t k = 0; match && k < search.size(); ++k) {
            match = upperText[i + k] == upperSearch[k];
        }
        if (match) {
            out += replacement;
            i += search.size();
            if (count != nullptr) {
                ++*count;
            }
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
}

// The "%" removal (when asked), then each pair on the result of the one before.
std::string refEdits(std::string text, bool removePercentFirst, const std::vector<RefPair>& pairs) {
    if (removePercentFirst) {
        text = refRemovePercent(text);
    }
    for (const RefPair& pair : pairs) {
        text = refReplace(text, pair.search, pair.replacement);
    }
    return text;
}

// The back "%" line: "%" CR LF after an empty text or one that ends with a line break, else CR LF "%".
std::string refBackMark(std::string_view text) {
    const bool endsWithBreak = text.size() >= 2 && text.substr(text.size() - 2) == "\r\n";
    return text.empty() || endsWithBreak ? "%\r\n" : "\r\n%";
}

// The fallback line reader: the bytes read in text mode (CR LF becomes LF), line by line in pieces of at
// most 499 bytes, a piece ending after its LF; each piece cut at a NUL and freed of a final LF; each piece
// left non-empty is a line followed by CR LF; the result's line breaks then made CR LF.
std::string refReadLinePieces(std::string_view bytes) {
    std::string textMode;
    textMode.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        textMode += bytes[i];
    }
    std::string lines;
    lines.reserve(3 * textMode.size());
    std::string piece;
    const auto takePiece = [&] {
        std::string cut = refCutAtNul(piece);
        if (!cut.empty() && cut.back() == '\n') {
            cut.pop_back();
        }
        if (!cut.empty()) {
            lines += cut + "\r\n";
        }
        piece.clear();
    };
    for (const char c : textMode) {
        piece += c;
        if (c == '\n' || piece.size() == 499) {
            takePiece();
        }
    }
    if (!piece.empty()) {
        takePiece();
    }
    return refNormalize(lines);
}

std::vector<std::string> refLines(std::string_view s) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += s[i];
        }
    }
    return lines;
}

}  // namespace tarvelin::fuzz
