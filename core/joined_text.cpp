#include "core/joined_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/apply_edits.h"
#include "core/byte_scan.h"
#include "core/editable_text.h"
#include "core/irregular_break.h"
#include "core/pass_sizes.h"

namespace tarvelin::core {
namespace {

// The size of the words runs are copied in.
constexpr size_t kWord = 16;
// How far the text is lengthened at least at a time while a piece's line breaks are made CR LF.
constexpr size_t kLengthening = size_t{64} << 10;

// Copies `size` bytes to `dst` and gives `size`. Where `readable` bytes (at least `size`) may be read at
// `src`, whole words are copied, which may write up to a word less one past the end of the run.
inline size_t copyRun(char* dst, const char* src, size_t size, size_t readable) {
    if ((size + kWord - 1) / kWord * kWord <= readable) {
        for (size_t k = 0; k < size; k += kWord) {
            std::memcpy(dst + k, src + k, kWord);
        }
    } else {
        std::memcpy(dst, src, size);
    }
    return size;
}

// Part of a std::string as an editable text: what stands after the part moves with its end.
class PartOfString final : public EditableText {
public:
    PartOfString(std::string& text, size_t from, size_t size) : text_(text), from_(from), size_(size) {}
    char* data() override { return text_.data() + from_; }
    size_t size() const override { return size_; }
    void resize(size_t size) override {
        const size_t tail = from_ + size_;
        const size_t tailSize = text_.size() - tail;
        if (size > size_) {
            text_.resize(text_.size() + size - size_);
        }
        std::memmove(text_.data() + from_ + size, text_.data() + tail, tailSize);
        text_.resize(from_ + size + tailSize);
        size_ = size;
    }

private:
    std::string& text_;
    size_t from_;
    size_t size_;
};

}  // namespace

JoinedText::JoinedText(std::string& text, bool removePercent, std::vector<ReplacementPair> pairs)
    : text_(text), removePercent_(removePercent), pairs_(std::move(pairs)), edited_(0) {
    text_.clear();
    for (const auto& pair : pairs_) {
        if (pair.search.find_first_of("\r\n") != std::string_view::npos ||
            pair.replacement.find_first_of("\r\n") != std::string_view::npos) {
            lineLocal_ = false;
        }
    }
}

void JoinedText::countFrom(size_t before) {
    if (countsLines_) {
        lineBreaks_ +=
            static_cast<size_t>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(before), text_.end(), '\n'));
    }
}

void JoinedText::appendUnedited(std::string_view text) {
    makeRoom(text.size());
    const size_t before = text_.size();
    text_.append(text);
    countFrom(before);
    edited_ = text_.size();
    searchedTo_ = edited_;
    if (writer_ && text_.size() >= passSizes().editBlock) {
        writer_->put(text_, text_.size(), text_.size());  // nothing in it for the writer to edit
        edited_ = 0;
        searchedTo_ = 0;
    }
}

void JoinedText::append(std::string_view piece) {
    if (piece.empty()) {
        return;
    }
    appended_ += piece.size();
    const size_t before = text_.size();
    if (std::exchange(pendingCr_, false)) {
        text_ += "\r\n";
        if (piece.front() == '\n') {
            piece.remove_prefix(1);
        }
    }
    if (!piece.empty() && piece.back() == '\r') {
        pendingCr_ = true;
        piece.remove_suffix(1);
    }
    appendNormalized(piece);
    countFrom(before);
    // Lines are edited once a block's worth waits: small enough to be still in the cache, large enough that
    // starting the edits costs nothing against them.
    if (text_.size() - edited_ >= passSizes().editBlock) {
        editLines(false);
    }
}

void JoinedText::makeRoom(size_t more) {
    const size_t needed = text_.size() + more;
    if (needed > text_.capacity()) {
        // Twice the room at a time: a text that outgrows its estimate (LF programs take a byte more per
        // line) or one line of hundreds of megabytes is then not copied time after time.
        text_.reserve(std::max(needed, 2 * text_.capacity()));
    }
}

void JoinedText::appendNormalized(std::string_view piece) {
    const size_t firstLone = findIrregularBreak(piece);
    if (firstLone == piece.size()) {
        makeRoom(piece.size());
        text_.append(piece);
        return;
    }
    // Written straight into place while the piece is in the cache; each lone CR or LF takes one byte more,
    // so the piece takes at most twice its size, and a word more lets runs be copied in whole words.
    const size_t n = piece.size();
    makeRoom(firstLone + 2 * (n - firstLone) + kWord);
    text_.append(piece.substr(0, firstLone));
    size_t at = text_.size();
    char* out = text_.data();
    // The text is lengthened as the output comes, not to that bound at once: the bytes a lengthening puts
    // in are written over again, and an LF text needs little more than its own size.
    const auto makeRoomAtEnd = [&](size_t bytes) {
        if (at + bytes > text_.size()) {
            text_.resize(std::min(text_.capacity(), std::max(at + bytes, text_.size() + kLengthening)));
            out = text_.data();
        }
    };
    const char* const src = piece.data();
    size_t run = firstLone;  // the first byte not copied yet
    // Copies the run up to `end` and puts CR LF for the line break there (a CR LF pair, a lone CR or a
    // lone LF).
    const auto breakAt = [&](size_t end) {
        at += copyRun(out + at, src + run, end - run, n - run);
        out[at++] = '\r';
        out[at++] = '\n';
        run = src[end] == '\r' && end + 1 < n && src[end + 1] == '\n' ? end + 2 : end + 1;
    };
    // The line breaks of 64 bytes are found at once, and every run between them is copied in one go.
    size_t block = firstLone;
    for (; block + 64 <= n; block += 64) {
        makeRoomAtEnd(2 * (block + 64 - run) + kWord);
        uint64_t breaks = maskOfEither64(src + block, '\r', '\n');
        while (breaks != 0) {
            const size_t end = block + lowestBit(breaks);
            breaks &= breaks - 1;
            if (end >= run) {  // not the LF of a CR LF pair just taken
                breakAt(end);
            }
        }
    }
    makeRoomAtEnd(2 * (n - run) + kWord);
    for (; block < n; ++block) {
        if (block >= run && (src[block] == '\r' || src[block] == '\n')) {
            breakAt(block);
        }
    }
    at += copyRun(out + at, src + run, n - run, n - run);
    text_.resize(at);
}

void JoinedText::endFile() {
    if (std::exchange(pendingCr_, false)) {
        text_ += "\r\n";
        countFrom(text_.size() - 2);
    }
}

void JoinedText::passOn(Sink sink) {
    sink_ = std::move(sink);
    writer_.emplace([this](std::string& part, size_t from) {
        PartOfString lines(part, from, part.size() - from);
        applyEdits(lines, removePercent_, pairs_);
        sink_(part);
    });
}

void JoinedText::finish() {
    endFile();
    if (writer_) {
        writer_->finish();
    }
    editLines(true);
}

void JoinedText::editLines(bool all) {
    size_t end = text_.size();
    if (!all) {
        if (!lineLocal_) {
            return;
        }
        // Only what came since the last search can hold a line feed: a line growing over hundreds of
        // megabytes is not searched again from its start for every piece.
        const size_t from = std::max(edited_, searchedTo_);
        const char* lastLineFeed = findLastByte(text_.data() + from, '\n', text_.size() - from);
        if (lastLineFeed == nullptr) {
            searchedTo_ = text_.size();
            return;  // one line still growing: it is edited when it is complete
        }
        end = static_cast<size_t>(lastLineFeed - text_.data()) + 1;
    }
    // Where the lines are passed on, they are edited on the thread that passes them on, unless it is still
    // busy with the part before: then here, so that neither thread waits while the other works.
    if (!writer_ || all || writer_->busy()) {
        PartOfString part(text_, edited_, end - edited_);
        applyEdits(part, removePercent_, pairs_);
        edited_ += part.size();
        end = edited_;
    }
    if (writer_ && !all) {
        // The complete lines go on; the text keeps the line still growing.
        writer_->put(text_, end, edited_);
        edited_ = 0;
    }
    searchedTo_ = text_.size();  // what follows the last line feed has none
}

}  // namespace tarvelin::core
