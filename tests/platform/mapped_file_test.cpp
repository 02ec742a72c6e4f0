#include "platform/mapped_file.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

TEST(MappedFile, EditsReachTheFileAndResizeGrowsAndCuts) {
    test::TempTree tree;
    tree.write("A.NC", "O1\r\nM30\r\n");
    auto file = MappedFile::map("C:\\A.NC", MappedFile::Mode::ReadWrite);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->view(), "O1\r\nM30\r\n");
    file->data()[1] = '2';
    ASSERT_TRUE(file->resize(20000));  // beyond the pages mapped at first
    EXPECT_EQ(file->view().substr(0, 9), "O2\r\nM30\r\n");
    EXPECT_EQ(file->data()[19999], '\0');
    file->data()[19999] = 'Z';
    ASSERT_TRUE(file->resize(4));
    EXPECT_EQ(tree.read("A.NC"), "O2\r\n");
    EXPECT_FALSE(file->damaged());
}

TEST(MappedFile, EmptyFilesAndMissingOnesAndReadOnlyMappings) {
    test::TempTree tree;
    tree.write("EMPTY.NC", "");
    auto empty = MappedFile::map("C:\\EMPTY.NC", MappedFile::Mode::ReadWrite);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size(), 0U);
    ASSERT_TRUE(empty->resize(3));
    std::copy_n("abc", 3, empty->data());
    empty.reset();
    EXPECT_EQ(tree.read("EMPTY.NC"), "abc");

    EXPECT_FALSE(MappedFile::map("C:\\NONE.NC", MappedFile::Mode::ReadOnly));
    EXPECT_FALSE(MappedFile::map("C:\\", MappedFile::Mode::ReadOnly));  // a folder
    auto readOnly = MappedFile::map("C:\\EMPTY.NC", MappedFile::Mode::ReadOnly);
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly->resize(10));
}

// Another program cutting the file short must not end this one: the lost part reads as zero bytes.
TEST(MappedFile, SurvivesTheFileBeingCutShortUnderIt) {
    test::TempTree tree;
    tree.write("BIG.NC", std::string(3 * 65536, 'X'));
    auto file = MappedFile::map("C:\\BIG.NC", MappedFile::Mode::ReadWrite);
    ASSERT_TRUE(file);
    ASSERT_EQ(::truncate(tree.host("BIG.NC").c_str(), 100), 0);
    volatile char* data = file->data();
    EXPECT_EQ(data[50], 'X');
    EXPECT_EQ(data[2 * 65536], '\0');
    data[2 * 65536 + 1] = 'Y';  // writes into the lost part go nowhere
    EXPECT_TRUE(file->damaged());
    EXPECT_EQ(tree.read("BIG.NC"), std::string(100, 'X'));
}

}  // namespace
}  // namespace tarvelin::platform
