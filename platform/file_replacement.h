#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// Saving a file whole or not at all. Every file the program writes (the joined output, the settings file,
// list files, the front and end data, the desktop launcher) goes through here, so that a full disk, a
// killed program or a file the operator may not write never leaves a broken or silently replaced file.
namespace tarvelin::platform {

// A new content for one file, put in place in one step. `prepare` checks that the file may be written and
// makes the new file beside it; `commit` writes the content there and renames it over the old file, which
// stays untouched until then. Through a symbolic link the link's target is replaced. The new file keeps the
// old one's mode, owner and group.
//
// The old file may be written only when it is a regular file that the user may write: a rename over it
// needs only the folder's permission, so the check is made here. For root, a file with no write bit at all
// counts as read-only. Where the folder takes no new file (a read-only folder) but the file itself may be
// written, and where a new file could not keep the old one's owner or group, the file is rewritten in
// place instead, with its room reserved first; a full disk is no reason to do so.
//
// A replacement that is neither committed nor finished (the program killed meanwhile) leaves a hidden file
// named after the target and the writing process; the next replacement of the same file removes those
// whose process has ended.
class FileReplacement {
public:
    // Prepares replacing the host file `hostPath`. `newFileMode` is the mode of a file that does not exist
    // yet (the umask applies). Nothing when the file may not be written or no new file can be made.
    static std::optional<FileReplacement> prepare(const std::string& hostPath, mode_t newFileMode = 0666);

    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&&) = delete;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    // Removes the new file when it was not committed.
    ~FileReplacement();

    // Whether the new content reaches the disk before it takes the old one's place. Without it the content
    // is whole for every program from the rename on, but a power failure soon after may leave an empty
    // file: right for a large file that can be made again, where the flush would cost more than the write.
    enum class Flush { ToDisk, Later };

    // Whether the content can be written in pieces before the commit (a new file beside the old one; a file
    // rewritten in place takes its content whole at the commit).
    bool takesPieces() const { return !temporary_.empty(); }
    // Writes the next piece of the content into the new file; only where takesPieces(). False on failure.
    bool write(std::string_view piece);

    // Writes `data` (after the pieces written before) and puts the whole in place of the old file. False,
    // with the old file untouched and the new one removed, when that fails. Call at most once.
    bool commit(std::string_view data, Flush flush = Flush::ToDisk);

    // Makes the file executable by those who may read it, once it is in place (a desktop launcher).
    void makeExecutable() { executable_ = true; }

private:
    FileReplacement(std::string target, std::string temporary, int fd, mode_t mode, uid_t owner, gid_t group)
        : target_(std::move(target)),
          temporary_(std::move(temporary)),
          fd_(fd),
          mode_(mode),
          owner_(owner),
          group_(group) {}

    bool commitByRename(std::string_view data, Flush flush);
    bool commitInPlace(std::string_view data, Flush flush);

    std::string target_;     // the file finally named, links followed
    std::string temporary_;  // the new file; empty when the target is rewritten in place
    int fd_ = -1;            // the new file, open for writing
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    bool executable_ = false;
};

// Replaces the content of the file at the program path `path` with `data` through a FileReplacement.
// False, with the file untouched, when that cannot be done.
bool replaceFileContents(std::string_view path, std::string_view data);

// The file a host path finally names: symbolic links followed as far as they lead (the last link's target
// may not exist yet).
std::string finalTarget(std::string hostPath);

}  // namespace tarvelin::platform
