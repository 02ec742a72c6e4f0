// The private-profile (settings file) reader and writer.
//
// Input: a flags byte, then the file's bytes, a section, a key and a value, separated by 0xFF. Flags: bits
// 0-5 give a small read buffer size for the truncating look-up; bit 6 writes the key through a real file
// as well; bit 7 removes the key (or, with an empty key, the section) after the checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/mbcs.h"
#include "platform/private_profile.h"

#include "fuzz/reference.h"
#include "fuzz/scratch.h"

using namespace tarvelin;
using fuzz::check;

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// What a value written reads back as: blanks around it dropped, and a matching pair of quotes.
std::string readBack(std::string_view value) {
    value = trimmed(value);
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Text that a UTF-8 file holds exactly.
bool survivesUtf8(std::string_view cp932) {
    std::string utf8;
    std::string back;
    return platform::tryCp932ToUtf8(cp932, utf8) && platform::tryUtf8ToCp932(utf8, back) && back == cp932;
}

// Whether a key written as (section, key) can be found again by those names: one line each, a section
// name whose closing bracket is not taken as the second byte of a character, a named key that is no
// section header and holds no "=".
bool writable(const std::string& file, std::string_view section, std::string_view key, std::string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) || key.empty() || key.front() == '[' ||
        key.find('=') != std::string_view::npos) {
        return false;
    }
    if (section.empty() && key.substr(0, 3) == "\xEF\xBB\xBF") {
        return false;  // the key's line may become the file's first, where these bytes mark UTF-8
    }
    const std::string header = "[" + std::string(section) + "]";
    if (!section.empty() && !fuzz::refCharStarts(header)[header.size() - 1]) {
        return false;
    }
    const bool utf8 = file.compare(0, 3, "\xEF\xBB\xBF") == 0;
    return !utf8 || (survivesUtf8(section) && survivesUtf8(key) && survivesUtf8(value));
}

struct Entry {
    std::string section;
    std::string key;
    std::optional<std::string> value;
};

std::vector<Entry> entriesOf(const platform::Profile& profile) {
    std::vector<Entry> entries;
    for (const auto& section : profile.sectionNames()) {
        for (const auto& key : profile.keyNames(section)) {
            entries.push_back({section, key, profile.rawValue(section, key)});
        }
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Fields input(data, size);
    const std::string file = input.field(0);
    const std::string section = input.field(1);
    const std::string key = input.field(2);
    const std::string value = input.field(3);

    platform::Profile profile(file);
    check(profile.bytes() == file, "an unchanged profile gives back its bytes");

    const size_t smallBuffer = input.flags & 0x3F;
    const std::string cut = platform::profileString(profile, section, key, std::nullopt, smallBuffer);
    check(smallBuffer == 0 ? cut.empty() : cut.size() < smallBuffer, "a look-up fits its buffer");
    const std::string whole = platform::profileString(profile, section, key, std::nullopt, size_t{1} << 20);
    check(whole.compare(0, cut.size(), cut) == 0 && fuzz::refCharStarts(whole)[cut.size()],
          "a cut look-up is the start of the whole value, not half a character");

    if (writable(file, section, key, value)) {
        const std::vector<Entry> before = entriesOf(profile);
        profile.set(section, key, value);
        const std::string expected = readBack(value);
        check(platform::profileString(profile, section, key, "DEFAULT", size_t{1} << 20) == expected,
              "a written key reads back");
        const platform::Profile reread(profile.bytes());
        check(platform::profileString(reread, section, key, "DEFAULT", size_t{1} << 20) == expected,
              "a written key reads back from the written bytes");
        for (const Entry& entry : before) {
            if (platform::sameText(trimmed(entry.section), trimmed(section)) &&
                platform::sameText(entry.key, trimmed(key))) {
                continue;
            }
            check(reread.rawValue(entry.section, entry.key) == entry.value, "a write keeps the other keys");
        }

        if ((input.flags & 0x40) != 0) {
            const std::string& folder = fuzz::scratchFolder();
            std::ofstream(folder + "/P.INI", std::ios::binary | std::ios::trunc) << file;
            check(platform::writeProfileString("C:\\P.INI", section, key, value), "writeProfileString");
            check(platform::readProfileString("C:\\P.INI", section, key, "DEFAULT") == expected.substr(0, 2047) ||
                      expected.size() > 2047,
                  "readProfileString(writeProfileString)");
        }
    }

    if ((input.flags & 0x80) != 0) {
        if (key.empty()) {
            profile.removeSection(section);
        } else {
            profile.removeKey(section, key);
        }
        const std::string bytes = profile.bytes();
        check(platform::Profile(bytes).bytes() == bytes, "a profile after a removal gives back its bytes");
    }
    return 0;
}
