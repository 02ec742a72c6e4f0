#include "core/part_writer.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

TEST(PartWriter, WritesThePartsInOrderAndKeepsWhatStays) {
    std::string written;
    PartWriter writer([&](std::string& part, size_t) { written += part; });
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "N" + std::to_string(i) + "\r\nG0";
        writer.put(text, text.size() - 2);  // the unfinished "G0" stays
        EXPECT_EQ(text, "G0");
        text.clear();
    }
    writer.finish();
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        expected += "N" + std::to_string(i) + "\r\n";
    }
    EXPECT_EQ(written, expected);
}

TEST(PartWriter, AFailedWriteComesBackAndStopsTheWriting) {
    int writes = 0;
    PartWriter writer([&](std::string&, size_t) {
        if (++writes == 2) {
            throw std::runtime_error("disk full");
        }
    });
    std::string text = "A\r\n";
    writer.put(text, 3);
    text = "B\r\n";
    writer.put(text, 3);
    text = "C\r\n";
    EXPECT_THROW(
        {
            writer.put(text, 3);
            writer.finish();
        },
        std::runtime_error);
}

}  // namespace
}  // namespace tarvelin::core
