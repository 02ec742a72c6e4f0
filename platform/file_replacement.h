#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Saving a file whole or not at all. Every file the program writes (the joined output, the settings file,
// list files, the front and end data, the desktop launcher) goes through here, so that a full disk, a
// killed program, a shared folder or a file the operator may not write never leaves a broken or silently
// replaced file.
//
// The one rule: the new content is written to a new file beside the old one, which takes the old one's
// place by one rename, or nothing happens. A file is never rewritten in place, so a kill at any moment
// leaves the old content or the new, never a mix.
namespace tarvelin::platform {

// A new content for one file, put in place in one step. `prepare` checks that the file may be written and
// makes the new file beside it; `write` and `commit` fill it, and `commit` puts it in the old one's place.
//
// - The path is opened the way the system opens it, links followed by the system itself, so that its
//   protections for links in shared folders apply; a link's target is replaced, the link stays. A link in
//   a sticky world-writable folder that belongs to neither the user nor the folder's owner is refused, as
//   the system does where it protects links.
// - The old file may be replaced only when it is a regular file that the user may write (a rename over it
//   needs only the folder's permission, so this is checked here). For the superuser a file with no write
//   bit at all counts as read-only.
// - The new file keeps the old one's mode and, where the system allows, its group. It is the writing
//   user's own: a file of another user that the user may write (a group-shared folder) becomes the
//   user's, as an editor's safe save does; the system refuses the rename where the folder protects
//   another user's file (a sticky folder). A folder that takes no new file (read-only) refuses the save.
// - The new file has a short name of its own (".tarvelin-HOST-PROCESS-XXXXXX"), so every legal target
//   name can be saved, and is locked while it is written. A save that is neither committed nor finished
//   (the program killed) leaves it behind; a later save into the same folder removes such leftovers only
//   when they provably belong to an ended process of this machine. The termination signals remove the
//   new files being written before the program ends (see termination.h).
class FileReplacement {
public:
    // Prepares replacing the host file `hostPath`. Nothing when the file may not be written or no new file
    // can be made beside it.
    static std::optional<FileReplacement> prepare(const std::string& hostPath);

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

    // Writes the next piece of the content into the new file. False on failure.
    bool write(std::string_view piece);

    // Writes `data` (after the pieces written before) and puts the whole in place of the old file. False,
    // with the old file untouched and the new one removed, when that fails. Call at most once.
    bool commit(std::string_view data, Flush flush = Flush::ToDisk);

    // Makes the file executable by those who may read it, once it is in place (a desktop launcher).
    void makeExecutable();

    // The new file's host path, for a writer of its own (a print engine writing a PDF file) that fills it
    // by name before the commit.
    const std::string& temporaryHostPath() const;

    struct State;  // the system's own handles and names

private:
    explicit FileReplacement(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Replaces the content of the file at the program path `path` with `data` through a FileReplacement.
// False, with the file untouched, when that cannot be done.
bool replaceFileContents(std::string_view path, std::string_view data);

}  // namespace tarvelin::platform
