#include "platform/mapped_file.h"

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

TEST(MappedFile, MapsRegularFilesOnlyAndNeverWaits) {
    test::TempTree tree;
    tree.write("A.NC", "O1\r\nM30\r\n");
    tree.write("EMPTY.NC", "");
    ASSERT_EQ(::mkfifo(tree.host("FIFO.NC").c_str(), 0600), 0);
    const auto file = MappedFile::map("C:\\A.NC");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->view(), "O1\r\nM30\r\n");
    EXPECT_FALSE(file->changed());
    ASSERT_TRUE(MappedFile::map("C:\\EMPTY.NC"));
    EXPECT_EQ(MappedFile::map("C:\\EMPTY.NC")->size(), 0U);
    EXPECT_FALSE(MappedFile::map("C:\\NONE.NC"));
    EXPECT_FALSE(MappedFile::map("C:\\"));  // a folder
    EXPECT_FALSE(MappedFile::map("C:\\FIFO.NC"));
}

// Another program cutting the file short must not end this one: the lost part reads as zero bytes.
TEST(MappedFile, SurvivesTheFileBeingCutShortUnderIt) {
    test::TempTree tree;
    tree.write("BIG.NC", std::string(3 * 65536, 'X'));
    auto file = MappedFile::map("C:\\BIG.NC");
    ASSERT_TRUE(file);
    ASSERT_EQ(::truncate(tree.host("BIG.NC").c_str(), 100), 0);
    const volatile char* data = file->data();
    EXPECT_EQ(data[50], 'X');
    EXPECT_EQ(data[2 * 65536], '\0');
    EXPECT_TRUE(file->damaged());
    EXPECT_TRUE(file->changed());
}

TEST(MappedFile, TellsThatAnotherProgramWroteToTheFile) {
    test::TempTree tree;
    tree.write("A.NC", "O1\r\n");
    const auto file = MappedFile::map("C:\\A.NC");
    ASSERT_TRUE(file);
    ::usleep(10000);  // a later modification time than the mapping saw, on coarse clocks too
    std::ofstream(tree.host("A.NC"), std::ios::in | std::ios::binary) << "O2";
    EXPECT_FALSE(file->damaged());
    EXPECT_TRUE(file->changed());
}

}  // namespace
}  // namespace tarvelin::platform
