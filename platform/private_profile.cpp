#include "platform/private_profile.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/file_replacement.h"
#include "platform/files.h"
#include "platform/host_files.h"
#include "platform/mbcs.h"

namespace tarvelin::platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Blanks around names and values: space, tab, vertical tab, form feed and Ctrl-Z. None of them can be the
// trail byte of a double-byte character.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view trimStart(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view trimEnd(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view trim(std::string_view s) {
    return trimEnd(trimStart(s));
}

// Copies a value into a buffer of `bufferSize` bytes as the desktop's service does: a value between a
// matching pair of quotes loses them, and at most bufferSize - 1 bytes fit. When the quoted value, less its
// opening quote, just fits, the service drops one character too many; that is kept, so that both read a
// file alike. The cut never splits a double-byte character.
std::string copyEntry(std::string_view value, size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    bool quoted = false;
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    size_t length = std::min(value.size(), bufferSize - 1);
    if (length < value.size() && length > 0 && !isCharStart(value, length)) {
        --length;  // the cut would split a double-byte character
    }
    std::string result(value.substr(0, length));
    if (quoted && bufferSize >= value.size() && !result.empty()) {
        // The last character goes: the closing quote, or one too many where the service loses it.
        result.resize(isCharStart(result, result.size() - 1) ? result.size() - 1 : result.size() - 2);
    }
    return result;
}

}  // namespace

Profile::Profile(std::string_view fileBytes) {
    std::string_view bytes = fileBytes;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        // The byte-order mark stands before the lines, whatever line comes first after an edit.
        utf8_ = true;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    lines_.reserve(static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    size_t begin = 0;
    while (begin < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            lines_.push_back(parseLine(std::string(bytes.substr(begin)), "", utf8_));
            break;
        }
        const size_t endingLength = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines_.push_back(parseLine(std::string(bytes.substr(begin, end - begin)),
                                   std::string(bytes.substr(end, endingLength)), utf8_));
        begin = end + endingLength;
    }
    // A key without a name is taken only where the key before it in its section has one.
    bool previousKeyUnnamed = false;
    bool anyKey = false;
    for (auto& line : lines_) {
        if (line.kind == Kind::Section) {
            anyKey = false;
            previousKeyUnnamed = false;
        } else if (line.kind == Kind::Key) {
            if (line.name.empty() && anyKey && previousKeyUnnamed) {
                line.kind = Kind::Other;
                continue;
            }
            anyKey = true;
            previousKeyUnnamed = line.name.empty();
        }
    }
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section) {
            headers_.push_back(i);
        }
    }
}

Profile::Line Profile::parseLine(std::string raw, std::string ending, bool utf8) {
    Line line;
    line.raw = std::move(raw);
    line.ending = std::move(ending);
    std::string converted;
    if (utf8) {
        converted = utf8ToCp932(line.raw);
    }
    const std::string_view s = trimStart(utf8 ? std::string_view(converted) : std::string_view(line.raw));
    if (trimEnd(s).empty()) {
        line.kind = Kind::Blank;
        return line;
    }
    if (s.front() == '[') {
        const size_t close = lastDelimiter(s, "]");
        if (close != std::string_view::npos && close > 0) {
            line.kind = Kind::Section;
            line.name = std::string(trim(s.substr(1, close - 1)));
            return line;
        }
    }
    line.kind = Kind::Key;
    const size_t equals = s.find('=');
    if (equals == std::string_view::npos) {
        line.name = std::string(trimEnd(s));
        return line;
    }
    line.name = std::string(trimEnd(s.substr(0, equals)));
    line.value = std::string(trim(s.substr(equals + 1)));
    return line;
}

std::optional<std::pair<size_t, size_t>> Profile::findSection(std::string_view name) const {
    name = trim(name);
    // The nameless section of the keys before the first header always comes first.
    if (name.empty()) {
        return std::make_pair(size_t{0}, headers_.empty() ? lines_.size() : headers_.front());
    }
    for (size_t k = 0; k < headers_.size(); ++k) {
        if (sameText(lines_[headers_[k]].name, name)) {
            return std::make_pair(headers_[k] + 1, k + 1 < headers_.size() ? headers_[k + 1] : lines_.size());
        }
    }
    return std::nullopt;
}

void Profile::shiftHeaders(size_t from, std::ptrdiff_t by) {
    for (size_t& header : headers_) {
        if (header >= from) {
            header = static_cast<size_t>(static_cast<std::ptrdiff_t>(header) + by);
        }
    }
}

void Profile::noteHeader(size_t index) {
    if (lines_[index].kind == Kind::Section) {
        headers_.insert(std::lower_bound(headers_.begin(), headers_.end(), index), index);
    }
}

std::optional<size_t> Profile::findKey(std::pair<size_t, size_t> range, std::string_view key) const {
    key = trim(key);
    for (size_t i = range.first; i < range.second; ++i) {
        if (lines_[i].kind == Kind::Key && sameText(lines_[i].name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> Profile::rawValue(std::string_view section, std::string_view key) const {
    const auto range = findSection(section);
    if (!range) {
        return std::nullopt;
    }
    const auto at = findKey(*range, key);
    if (!at) {
        return std::nullopt;
    }
    return lines_[*at].value;
}

std::vector<std::string> Profile::sectionNames() const {
    std::vector<std::string> names;
    for (const auto& line : lines_) {
        if (line.kind == Kind::Section) {
            names.push_back(line.name);
        }
    }
    return names;
}

std::vector<std::string> Profile::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const auto range = findSection(section)) {
        for (size_t i = range->first; i < range->second; ++i) {
            const Line& line = lines_[i];
            if (line.kind == Kind::Key && line.value && (line.name.empty() || line.name.front() != ';')) {
                names.push_back(line.name);
            }
        }
    }
    return names;
}

std::string Profile::newLineEnding() const {
    for (const auto& line : lines_) {
        if (!line.ending.empty()) {
            return line.ending;
        }
    }
    return "\r\n";
}

std::string Profile::encode(std::string_view cp932) const {
    return utf8_ ? cp932ToUtf8(cp932) : std::string(cp932);
}

void Profile::endLastLine() {
    if (!lines_.empty() && lines_.back().ending.empty()) {
        lines_.back().ending = newLineEnding();
    }
}

bool Profile::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    value = trimStart(value);
    const std::string eol = newLineEnding();
    const auto range = findSection(section);
    if (!range) {
        endLastLine();
        lines_.push_back(parseLine(encode("[" + std::string(section) + "]"), eol, utf8_));
        noteHeader(lines_.size() - 1);
        lines_.push_back(parseLine(encode(std::string(key) + "=" + std::string(value)), eol, utf8_));
        noteHeader(lines_.size() - 1);
        return true;
    }
    if (const auto at = findKey(*range, key)) {
        Line& line = lines_[*at];
        if (line.value && *line.value == value) {
            return false;
        }
        std::string ending = line.ending.empty() ? eol : line.ending;
        line = parseLine(encode(line.name + "=" + std::string(value)), std::move(ending), utf8_);
        noteHeader(*at);
        return true;
    }
    // After the last non-blank line of the section (its header when it has none).
    size_t insertAt = range->first;
    for (size_t i = range->first; i < range->second; ++i) {
        if (lines_[i].kind != Kind::Blank) {
            insertAt = i + 1;
        }
    }
    if (insertAt > 0 && lines_[insertAt - 1].ending.empty()) {
        lines_[insertAt - 1].ending = eol;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  parseLine(encode(std::string(key) + "=" + std::string(value)), eol, utf8_));
    shiftHeaders(insertAt, 1);
    noteHeader(insertAt);
    return true;
}

bool Profile::removeKey(std::string_view section, std::string_view key) {
    const auto range = findSection(section);
    const auto at = range ? findKey(*range, key) : std::nullopt;
    if (!at) {
        return false;
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    shiftHeaders(*at, -1);  // a key's line is no header
    return true;
}

bool Profile::removeSection(std::string_view section) {
    const auto range = findSection(section);
    if (!range) {
        return false;
    }
    // The header goes with its lines; the nameless section has none.
    const size_t first = range->first > 0 ? range->first - 1 : 0;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->second));
    const auto gone = std::lower_bound(headers_.begin(), headers_.end(), first);
    headers_.erase(gone, std::lower_bound(gone, headers_.end(), range->second));
    shiftHeaders(range->second, -static_cast<std::ptrdiff_t>(range->second - first));
    return true;
}

std::string Profile::bytes() const {
    std::string bytes(utf8_ ? kUtf8Bom : std::string_view());
    size_t size = bytes.size();
    for (const auto& line : lines_) {
        size += line.raw.size() + line.ending.size();
    }
    bytes.reserve(size);
    for (const auto& line : lines_) {
        bytes += line.raw;
        bytes += line.ending;
    }
    return bytes;
}

std::string profileString(const Profile& profile, std::string_view section, std::string_view key,
                          std::optional<std::string_view> defaultValue, size_t bufferSize) {
    if (const auto value = profile.rawValue(section, key)) {
        return copyEntry(*value, bufferSize);
    }
    std::string_view fallback = defaultValue.value_or("");
    while (fallback.size() > 1 && fallback.back() == ' ') {
        fallback.remove_suffix(1);
    }
    return copyEntry(fallback, bufferSize);
}

Profile loadProfile(std::string_view path) {
    if (!fileExists(path)) {
        return {};
    }
    try {
        return Profile(readWholeFile(path));
    } catch (const std::exception&) {
        return {};
    }
}

bool applyProfileEdits(Profile& profile, const std::vector<ProfileEdit>& edits) {
    bool changed = false;
    for (const auto& edit : edits) {
        if (!edit.key) {
            changed = profile.removeSection(edit.section) || changed;
        } else if (!edit.value) {
            changed = profile.removeKey(edit.section, *edit.key) || changed;
        } else {
            changed = profile.set(edit.section, *edit.key, *edit.value) || changed;
        }
    }
    return changed;
}

bool writeProfileStringsByEngine(std::string_view path, const std::vector<ProfileEdit>& edits) {
    const auto host = hostPath(path);
    if (!host) {
        return false;
    }
    if (fileExists(path) && !hostFileWritable(*host)) {
        return false;
    }
    Profile profile = loadProfile(path);
    return !applyProfileEdits(profile, edits) || replaceFileContents(path, profile.bytes());
}

std::string readProfileString(std::string_view path, std::string_view section, std::string_view key,
                              std::optional<std::string_view> defaultValue, size_t bufferSize) {
    return ProfileReader(path).value(section, key, defaultValue, bufferSize);
}

bool writeProfileString(std::string_view path, std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value) {
    ProfileEdit edit{std::string(section), {}, {}};
    if (key) {
        edit.key = std::string(*key);
    }
    if (value) {
        edit.value = std::string(*value);
    }
    return writeProfileStrings(path, {edit});
}

}  // namespace tarvelin::platform
