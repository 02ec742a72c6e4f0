#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

// The type filters of the file browser: the filter text, the filter list with its update and selection
// rules, and the matching of file names against a mask.
namespace tarvelin::core {

struct FilterEntry {
    std::string description;
    std::string mask;
};

// The filter text of the six entries, built from the two user-defined types of `settings` as they stand:
// pairs of description and mask, each followed by "|". The user texts go in as they are.
std::string BuildFilterText(const Settings& settings);

// The entries of a filter text, in order: a description runs up to the next "|", its mask from there to the
// following "|" or to the end; reading stops when no "|" is left.
std::vector<FilterEntry> parseFilterText(std::string_view text);

// The filter list: its entries and its selection.
class FilterList {
public:
    // Gives the list a filter text. An equal text (letter case aside) changes nothing and returns false.
    // Otherwise the entries are rebuilt, entry 0 is selected and true is returned: the caller takes that as
    // a change of selection (the file list's mask and Mask_No follow it).
    bool setFilterText(std::string_view text);

    // Selects an entry by program, without counting as a change of selection. An index outside the list
    // leaves no entry selected.
    void select(int index);

    // The mask in force at show: with no entry selected the last one is selected first; "*.*" for an
    // empty list.
    std::string maskForShow();

    int selected() const { return selected_; }
    const std::vector<FilterEntry>& entries() const { return entries_; }
    std::string selectedMask() const;

private:
    std::string text_;
    std::vector<FilterEntry> entries_;
    int selected_ = -1;
};

// Whether a file name matches a mask: patterns separated by ";", each matched without regard to letter case,
// "*" standing for any run of characters and "?" for one; "*.*" matches every name, with or without an
// extension. An empty mask matches nothing.
bool matchesPattern(std::string_view name, std::string_view pattern);

// The file list of a folder's file names for a mask: every name once per pattern that matches it, sorted
// by name without regard to letter case.
std::vector<std::string> filesForMask(const std::vector<std::string>& names, std::string_view mask);

}  // namespace tarvelin::core
