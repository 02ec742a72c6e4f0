#include "core/edited_text.h"

#include <random>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

// The same edits on a plain string: the whole text with its lines joined by CR LF.
class StringModel {
public:
    explicit StringModel(std::string_view given) {
        for (size_t at = 0; at < given.size(); ++at) {
            if (given[at] == '\r' || given[at] == '\n') {
                text_ += "\r\n";
                at += given[at] == '\r' && at + 1 < given.size() && given[at + 1] == '\n' ? 1 : 0;
            } else {
                text_ += given[at];
            }
        }
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text_.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(text_.substr(start, end - start));
        }
        lines.push_back(text_.substr(start));
        return lines;
    }

    size_t offsetOf(TextPosition position) const {
        size_t start = 0;
        for (size_t line = 0; line < position.line; ++line) {
            start = text_.find("\r\n", start) + 2;
        }
        return start + position.offset;
    }

    // Each break of the inserted text becomes CR LF.
    void replace(TextPosition from, TextPosition to, std::string_view text) {
        const size_t begin = offsetOf(from);
        text_.replace(begin, offsetOf(to) - begin, StringModel(text).text_);
    }

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

void expectSame(const EditedText& edited, const StringModel& model, const std::string& context) {
    const std::vector<std::string> lines = model.lines();
    ASSERT_EQ(edited.lineCount(), lines.size()) << context;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(edited.line(i), lines[i]) << context << ", line " << i;
    }
    ASSERT_EQ(edited.text(), model.text()) << context;
}

TEST(EditedText, GivenTextComesBackAsGivenUntilEditedThenWithCrLfBreaks) {
    struct Case {
        std::string given;
        TextPosition from, to;
        std::string inserted;
        std::string expected;
    };
    const Case cases[] = {
        {"G90\nM30\rX", {0, 3}, {0, 3}, " G54", "G90 G54\r\nM30\r\nX"},
        {"A\r\nB\r\n", {1, 1}, {1, 1}, "\n", "A\r\nB\r\n\r\n"},
        {"A\r\nB\r\nC", {0, 1}, {2, 0}, "", "AC"},
        {"", {0, 0}, {0, 0}, "X\rY", "X\r\nY"},
        // Positions beyond a line or the text are its end; a backward range is the same range.
        {"AB\r\nCD", {5, 9}, {0, 1}, "-", "A-"},
    };
    for (const Case& c : cases) {
        EditedText text(c.given);
        EXPECT_EQ(text.text(), c.given);
        text.replace(c.from, c.to, c.inserted);
        EXPECT_EQ(text.text(), c.expected) << c.given;
        EXPECT_EQ(c.given.find('Z'), std::string::npos);  // the given text is only read
    }
}

// Random edits of every kind, against the same edits on a plain string, on texts with every kind of line
// break and longer than the line index's step.
TEST(EditedText, RandomEditsAgreeWithAPlainString) {
    std::mt19937 random(15);
    const std::vector<std::string> pieces = {"\r\n", "\n", "\r", "G01 X1.", "\x82\xA0", "N", ""};
    const std::vector<std::string> inserts = {"", "X", "\r\n", "\n", "\r", "\x8C\x8B", "AB\r\nCD", "1\n2\r3\r\n"};
    for (int round = 0; round < 12; ++round) {
        std::string given;
        const size_t size = round % 3 == 0 ? 20 : 6000;
        while (given.size() < size) {
            given += pieces[random() % pieces.size()];
        }
        EditedText edited(given);
        StringModel model(given);
        for (int step = 0; step < 60; ++step) {
            const std::vector<std::string> lines = model.lines();
            const auto pick = [&] {
                const size_t line = random() % lines.size();
                return TextPosition{line, random() % (lines[line].size() + 1)};
            };
            TextPosition from = pick();
            // Mostly edits at one place, as typing makes them; some across lines.
            TextPosition to = random() % 3 == 0 ? pick() : from;
            if (to < from) {
                std::swap(from, to);
            }
            std::string text = inserts[random() % inserts.size()];
            if (random() % 10 == 0) {
                text = lines[random() % lines.size()];  // text taken from the lines themselves
            }
            const TextPosition end = edited.replace(from, to, text);
            model.replace(from, to, text);
            const std::string context = "round " + std::to_string(round) + " step " + std::to_string(step);
            ASSERT_EQ(model.offsetOf(end), model.offsetOf(from) + StringModel(text).text().size()) << context;
            expectSame(edited, model, context);
        }
    }
}

// Typing goes on in the line already edited, and lines typed apart stay apart: the pieces follow the
// places edited, not the keys.
TEST(EditedText, PiecesFollowThePlacesEdited) {
    std::string given;
    for (int i = 0; i < 1000; ++i) {
        given += "N" + std::to_string(i) + " G01\r\n";
    }
    EditedText text(given);
    EXPECT_EQ(text.pieceCount(), 1U);
    for (const size_t line : {500, 500, 500, 501, 499, 10}) {
        TextPosition at{line, 0};
        at = text.replace(at, at, "X");
        text.replace(at, at, "\r\n");
    }
    // Lines 10-11 and the block around 499-503 are their own; the rest are runs of the given text.
    EXPECT_EQ(text.pieceCount(), 5U);
    EXPECT_EQ(text.lineCount(), 1007U);
    EXPECT_EQ(text.line(1006), "");
    EXPECT_EQ(text.line(12), "N11 G01");
}

}  // namespace
}  // namespace tarvelin::core
