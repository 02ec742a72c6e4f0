#include "cli/terminal_text.h"

namespace tarvelin::cli {
namespace {

// The length of the control character at `i` (1 for C0 and DEL, 2 for a C1 control in UTF-8), or 0.
size_t controlAt(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
        return 1;
    }
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
        return 2;
    }
    return 0;
}

void appendEscaped(std::string& out, unsigned char c) {
    switch (c) {
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\r':
            out += "\\r";
            return;
        default:
            out += '\\';
            out += static_cast<char>('0' + ((c >> 6) & 7));
            out += static_cast<char>('0' + ((c >> 3) & 7));
            out += static_cast<char>('0' + (c & 7));
    }
}

}  // namespace

std::string quotedForTerminal(std::string_view line) {
    bool hasControl = false;
    for (size_t i = 0; i < line.size() && !hasControl; ++i) {
        hasControl = controlAt(line, i) != 0;
    }
    if (!hasControl) {
        return std::string(line);
    }
    std::string out;
    bool inQuotes = false;
    for (size_t i = 0; i < line.size();) {
        if (const size_t length = controlAt(line, i)) {
            out += inQuotes ? "'$'" : "$'";
            for (size_t k = 0; k < length; ++k) {
                appendEscaped(out, static_cast<unsigned char>(line[i + k]));
            }
            out += "'";
            inQuotes = false;
            i += length;
            continue;
        }
        if (!inQuotes) {
            out += "'";
            inQuotes = true;
        }
        out += line[i] == '\'' ? std::string("'\\''") : std::string(1, line[i]);
        ++i;
    }
    if (inQuotes) {
        out += "'";
    }
    return out;
}

}  // namespace tarvelin::cli
