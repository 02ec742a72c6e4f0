#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Private-profile (INI) files with the semantics of the desktop's own services (GetPrivateProfileStringA and
// WritePrivateProfileStringA under code page 932), so that a settings file written on either side reads
// the same. Names and values are code page 932 byte strings.
//
// Reading: section and key names are compared without regard to the case of single-byte letters; blanks
// (space, tab, Ctrl-Z) around names, around "=" and around values are not part of them; a value between a
// matching pair of quotes comes back without them. Keys before the first section header belong to a
// section with an empty name. Of duplicate sections only the first is searched, of duplicate keys the first
// counts. A line without "=" is no key. Lines may end with CR LF, LF or CR. A file that starts with a UTF-8
// byte-order mark is read as UTF-8.
//
// Writing changes one key (or removes a key or a section) and puts the file back at once. Lines that the
// write does not touch stay byte for byte; a key that exists is rewritten in place as "Key=value" with the
// key's spelling in the file; a new key goes after the last non-blank line of its section; a new section
// goes to the end of the file. New lines end like the file's first line break (CR LF in a new file).
namespace tarvelin::platform {

// A profile file's content, parsed once for any number of look-ups and changes.
class Profile {
public:
    Profile() = default;
    explicit Profile(std::string_view fileBytes);

    // The value of a key, blanks trimmed, quotes not yet removed; nothing when the section or the key is
    // missing or the key's line has no "=".
    std::optional<std::string> rawValue(std::string_view section, std::string_view key) const;

    // The section names in file order (duplicates included, the nameless section of keys before the first
    // header not), and the key names of the first matching section (keys that start with ";" and lines
    // without "=" left out).
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    // Sets a key; false when nothing had to change (the key already holds exactly this value). Blanks at the
    // start of the value are dropped, as the desktop's service drops them.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first matching key, or the first matching section with all its lines; false when missing.
    bool removeKey(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

    // The file's bytes.
    std::string bytes() const;

private:
    enum class Kind { Blank, Section, Key, Other };
    struct Line {
        std::string raw;     // the line's bytes in the file, without its line break
        std::string ending;  // "\r\n", "\n", "\r" or "" for a last line without one
        Kind kind = Kind::Other;
        std::string name;                  // section or key name, blanks trimmed (code page 932)
        std::optional<std::string> value;  // a key's value when its line has "=", blanks trimmed
    };

    static Line parseLine(std::string raw, std::string ending, bool utf8);
    // [begin, end) of the first section with this name's lines (header excluded); begin is 0 for the
    // nameless section.
    std::optional<std::pair<size_t, size_t>> findSection(std::string_view name) const;
    std::optional<size_t> findKey(std::pair<size_t, size_t> range, std::string_view key) const;
    std::string newLineEnding() const;
    std::string encode(std::string_view cp932) const;  // a new line's bytes in the file's encoding
    void endLastLine();
    // Keeps `headers_` in step with `lines_`: the lines from `from` on moved by `by`, and a line that has
    // come or changed at `index` is a header.
    void shiftHeaders(size_t from, std::ptrdiff_t by);
    void noteHeader(size_t index);

    bool utf8_ = false;  // the file starts with a UTF-8 byte-order mark
    std::vector<Line> lines_;
    // The indexes of the section headers in `lines_`, in order: a look-up passes over the sections, not
    // over every line (a settings file of megabytes takes a few dozen of them at every save).
    std::vector<size_t> headers_;
};

// A settings file read through the system's private-profile service (GetPrivateProfileStringA on Windows
// under code page 932), or through the Profile engine above, which gives the same answers.
class ProfileReader {
public:
    // Reads the file at the program path `path`; a file that does not exist or cannot be read is empty.
    explicit ProfileReader(std::string_view path);
    ~ProfileReader();
    ProfileReader(const ProfileReader&) = delete;
    ProfileReader& operator=(const ProfileReader&) = delete;

    // As readProfileString below.
    std::string value(std::string_view section, std::string_view key, std::optional<std::string_view> defaultValue,
                      size_t bufferSize = 2048) const;
    // The key names of a section, as Profile::keyNames gives them.
    std::vector<std::string> keyNames(std::string_view section) const;

    struct Source;

private:
    std::unique_ptr<Source> source_;
};

// GetPrivateProfileStringA: the value of a key in the file at `path` (a program path), or the default when
// the file, the section or the key is missing. At most `bufferSize` - 1 bytes come back, never half a
// double-byte character. A missing default counts as empty; trailing spaces of the default are dropped.
std::string readProfileString(std::string_view path, std::string_view section, std::string_view key,
                              std::optional<std::string_view> defaultValue, size_t bufferSize = 2048);

// The look-up of readProfileString on a parsed profile.
std::string profileString(const Profile& profile, std::string_view section, std::string_view key,
                          std::optional<std::string_view> defaultValue, size_t bufferSize = 2048);

// The parsed content of the file at `path`; an empty profile when the file does not exist or cannot be read.
Profile loadProfile(std::string_view path);

// WritePrivateProfileStringA: sets a key, or removes it (no value) or its whole section (no key), and puts
// the file back at once, never leaving a half-written file (see replaceFileContents). Returns false, with the
// file unchanged, when the file or its folder cannot be written; an existing file that is read-only fails even
// when nothing would change.
bool writeProfileString(std::string_view path, std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value);

// One change of writeProfileString: a key set, a key removed (no value) or a section removed (no key).
struct ProfileEdit {
    std::string section;
    std::optional<std::string> key;
    std::optional<std::string> value;
};

// Makes the changes in order, each as writeProfileString makes it (on Windows through
// WritePrivateProfileStringA on a copy of the file), and puts the file back once: all of them or none, so
// that a program killed meanwhile leaves the file as it was or with every change. Returns false, with the
// file unchanged, as writeProfileString does.
bool writeProfileStrings(std::string_view path, const std::vector<ProfileEdit>& edits);

// writeProfileStrings through the Profile engine, whatever the system: the service here, and on Windows the
// one for a system whose code page is not 932 (its own service would read the file in another code page).
bool writeProfileStringsByEngine(std::string_view path, const std::vector<ProfileEdit>& edits);

// Makes the changes on a parsed profile; false when nothing changed.
bool applyProfileEdits(Profile& profile, const std::vector<ProfileEdit>& edits);

}  // namespace tarvelin::platform
