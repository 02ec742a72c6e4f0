#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::test {

// Texts of more than 16 MB are worked on in two halves by two threads. Their results must be those of
// the same pass over pieces small enough for one thread, since no match spans a line break.
class LargeText : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::mt19937 random(11);
        const std::vector<std::string> lines = {"%\r\n",       "O1234(工具 ア)\r\n", "N10 G01 X1.5 g01 Y2.\r\n",
                                                "N20 M08\r\n", "(ソ表\\G01)\r\n",    "N30 G0 Z5. F1200.\r\n"};
        while (text.size() < (20U << 20)) {
            text += platform::utf8ToCp932(lines[random() % lines.size()]);
        }
    }

    // Applies `pass` to pieces of about a megabyte, each ending with a line feed, and joins the results.
    template <typename Pass>
    static std::string piecewise(const std::string& input, Pass pass) {
        std::string result;
        for (size_t at = 0; at < input.size();) {
            const size_t end = std::min(input.find('\n', at + (1U << 20)), input.size() - 1) + 1;
            std::string piece = input.substr(at, end - at);
            pass(piece);
            result += piece;
            at = end;
        }
        return result;
    }

    static inline std::string text;
};

}  // namespace tarvelin::test
