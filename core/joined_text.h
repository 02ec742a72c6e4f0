#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/apply_edits.h"
#include "core/part_writer.h"

namespace tarvelin::core {

// The joined text as the join builds it, in one pass: the listed files' texts are appended piece by piece,
// their line breaks made CR LF on the way, and the "%" removal and the replacement pairs are applied to
// each run of complete lines while it is still in the cache. Every byte of the inputs is so read once and
// written once, instead of being copied first and then gone over again for each stage.
//
// The edits keep to their lines (a search string or replacement with a line break is applied to the whole
// text at the end instead), so a line is edited once it is complete, whatever files it came from. What
// stands before the files' texts (the front data) is put first and never edited.
class JoinedText {
public:
    // Builds into `text`, which is emptied (its room kept).
    JoinedText(std::string& text, bool removePercent, std::vector<ReplacementPair> pairs);

    // Appends text that the edits leave alone (the front "%" line and the front data, with their line
    // breaks already CR LF). Only before the first listed file's text.
    void appendUnedited(std::string_view text);

    // Appends a piece of one listed file's text (already cut at its NUL). A CR at its end is held until the
    // next piece shows whether a LF follows.
    void append(std::string_view piece);
    // Ends the text of one listed file: a CR held at its end becomes CR LF.
    void endFile();
    // Whether the files gave no text at all (the joined file would read as empty).
    bool empty() const { return appended_ == 0; }

    // Counts the line breaks of the text from now on (for the join check, which names the line each listed
    // file starts on); the edits keep to their lines and so leave the count as it is.
    void countLineBreaks() { countsLines_ = true; }
    size_t lineBreaks() const { return lineBreaks_; }
    // Applies the edits to what is left. The whole joined text is then `text`.
    void finish();

    // Hands every part of complete lines on to a thread of its own, which gives it to `sink`, while the next
    // part is appended here: the text then holds only what is not handed on yet, and the joined text is
    // never whole in memory. A part is edited on that thread, or here when that thread is still busy with
    // the part before. For a join whose text is not shown. `sink` is called on that thread and raises its
    // own error when it cannot take a part; the error comes back from a later append or from finish.
    using Sink = std::function<void(std::string_view part)>;
    void passOn(Sink sink);

private:
    void appendNormalized(std::string_view piece);
    // Counts the line breaks of what the text gained since it was `before` bytes long.
    void countFrom(size_t before);
    // Makes room for `more` bytes after the text.
    void makeRoom(size_t more);
    // Edits the complete lines not edited yet; with `all`, everything not edited yet.
    void editLines(bool all);

    std::string& text_;
    bool removePercent_;
    std::vector<ReplacementPair> pairs_;
    bool lineLocal_ = true;  // every edit keeps to its lines
    size_t edited_;          // the end of the part already edited
    size_t searchedTo_ = 0;  // the end of the part after edited_ known to hold no line feed
    size_t appended_ = 0;
    bool pendingCr_ = false;
    bool countsLines_ = false;
    size_t lineBreaks_ = 0;
    Sink sink_;
    std::optional<PartWriter> writer_;  // last: gone first, after the part under way
};

}  // namespace tarvelin::core
