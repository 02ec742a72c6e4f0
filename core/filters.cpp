#include "core/filters.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/mbcs.h"

namespace tarvelin::core {
namespace {

using platform::ansi;

// The position of the next "|" at or after `from` that starts a character, or npos.
size_t findBar(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); i += platform::charLengthAt(text, i)) {
        if (text[i] == '|') {
            return i;
        }
    }
    return std::string_view::npos;
}

// Wildcard matching on upper-cased names: "*" any run of characters, "?" one character.
bool wildcard(std::string_view name, std::string_view pattern) {
    size_t n = 0;
    size_t p = 0;
    size_t starP = std::string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
            continue;
        }
        const size_t nameChar = platform::charLengthAt(name, n);
        if (p < pattern.size() &&
            (pattern[p] == '?' ? true
                               : pattern.substr(p, platform::charLengthAt(pattern, p)) == name.substr(n, nameChar))) {
            p += pattern[p] == '?' ? 1 : nameChar;
            n += nameChar;
            continue;
        }
        if (starP == std::string_view::npos) {
            return false;
        }
        p = starP + 1;
        starN += platform::charLengthAt(name, starN);
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<std::string_view> patternsOf(std::string_view mask) {
    std::vector<std::string_view> patterns;
    size_t begin = 0;
    for (size_t i = 0; i <= mask.size(); i += i < mask.size() ? platform::charLengthAt(mask, i) : 1) {
        if (i == mask.size() || mask[i] == ';') {
            if (i > begin) {
                patterns.push_back(mask.substr(begin, i - begin));
            }
            begin = i + 1;
        }
    }
    return patterns;
}

}  // namespace

std::string BuildFilterText(const Settings& settings) {
    const auto& s = settings.Setting;
    return ansi("ＮＣ文章(*.nc;*.nc1;*.nc0)|*.NC;*.NC1;*.NC0|") + ansi("テキスト(*.txt)|*.TXT|") + s.User1_Name + "(" +
           s.User1_Mask + ")|" + s.User1_Mask + "|" + s.User2_Name + "(" + s.User2_Mask + ")|" + s.User2_Mask + "|" +
           ansi("すべて表示(*.*)|*.*|") + ansi("拡張子無し    |");
}

std::vector<FilterEntry> parseFilterText(std::string_view text) {
    std::vector<FilterEntry> entries;
    size_t at = 0;
    for (size_t bar = findBar(text, at); bar != std::string_view::npos; bar = findBar(text, at)) {
        FilterEntry entry;
        entry.description = std::string(text.substr(at, bar - at));
        at = bar + 1;
        const size_t next = findBar(text, at);
        entry.mask = std::string(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        at = next == std::string_view::npos ? text.size() : next + 1;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool FilterList::setFilterText(std::string_view text) {
    if (platform::sameText(text, text_)) {
        return false;
    }
    text_ = std::string(text);
    entries_ = parseFilterText(text_);
    selected_ = entries_.empty() ? -1 : 0;
    return true;
}

void FilterList::select(int index) {
    selected_ = index >= 0 && index < static_cast<int>(entries_.size()) ? index : -1;
}

std::string FilterList::maskForShow() {
    if (selected_ < 0) {
        selected_ = static_cast<int>(entries_.size()) - 1;
    }
    return selected_ < 0 ? "*.*" : selectedMask();
}

std::string FilterList::selectedMask() const {
    return selected_ >= 0 ? entries_[static_cast<size_t>(selected_)].mask : std::string();
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") {
        return true;
    }
    return wildcard(platform::upper(name), platform::upper(pattern));
}

std::vector<std::string> filesForMask(const std::vector<std::string>& names, std::string_view mask) {
    std::vector<std::string> files;
    for (const auto& pattern : patternsOf(mask)) {
        for (const auto& name : names) {
            if (matchesPattern(name, pattern)) {
                files.push_back(name);
            }
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return platform::upper(a) < platform::upper(b);
    });
    return files;
}

}  // namespace tarvelin::core
