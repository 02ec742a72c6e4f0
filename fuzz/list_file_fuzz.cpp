// List files: reading any bytes, and writing then reading back a list.
//
// Input: the bytes of a list file. They are read as a file; and, split at 0xFF with line breaks and NUL
// bytes taken out, they are a list that is written and read back. With bit 0 of the first byte set, the
// list also goes through a real file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/list_file.h"

#include "fuzz/reference.h"
#include "fuzz/scratch.h"

using namespace tarvelin;
using fuzz::check;

namespace {

// Lines end at CR LF, a lone CR or a lone LF; a line end at the very end adds no empty line; nothing from
// the first NUL on counts.
std::vector<std::string> refParse(std::string_view bytes) {
    const std::string text = fuzz::refCutAtNul(bytes);
    std::vector<std::string> entries;
    std::string line;
    bool open = false;  // a line has begun that no line end has closed yet
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            entries.push_back(line);
            line.clear();
            open = false;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += text[i];
            open = true;
        }
    }
    if (open) {
        entries.push_back(line);
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> read = core::parseListFile(bytes);
    check(read == refParse(bytes), "parseListFile");
    check(core::parseListFile(core::formatListFile(read)) == read, "parse(format(parse))");
    (void)core::listFolderOf(bytes);

    std::vector<std::string> entries(1);
    for (const char c : bytes) {
        if (c == '\xFF') {
            entries.emplace_back();
        } else if (c != '\r' && c != '\n' && c != '\0') {
            entries.back() += c;
        }
    }
    const std::string formatted = core::formatListFile(entries);
    check(core::parseListFile(formatted) == entries, "parse(format(entries))");

    if (size > 0 && (data[0] & 1) != 0) {
        fuzz::scratchFolder();
        core::writeListFile("C:\\JOB.LST", entries);
        check(core::readListFile("C:\\JOB.LST") == entries, "readListFile(writeListFile)");
    }
    return 0;
}
