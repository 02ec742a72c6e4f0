// Files with names that code page 932 does not give back as they are: what the browser lists is what
// the program opens and joins.
#include <algorithm>

#include <gtest/gtest.h>

#include "core/join_run.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/screensaver.h"

#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

class NoScreenSaver final : public platform::ScreenSaver {
public:
    void setActive(bool) override {}
};

TEST(ListedNames, EveryListedFileOpensAndJoinsAsItself) {
    test::TempTree tree;
    // Host names (UTF-8) and whether the browser can offer them.
    const std::vector<std::pair<std::string, bool>> names = {
        {"加工〜1.NC", true},  // U+301C: 0x81 0x60 reads back as U+FF5E
        {"A−B.NC", true},      // U+2212
        {"‖.NC", true},        // U+2016
        {"¢£¬.NC", true},      // U+00A2 U+00A3 U+00AC
        {"café.NC", true},     // no code page 932 form: listed by its bytes
        {"x😀.NC", true},       // likewise
        {"〜〜.NC", false},    // shares its form with the next name, which converts back exactly
        {"～～.NC", true},     // U+FF5E
        {"¥1.NC", false},      // its form 0x5C "\" would split the path
    };
    for (size_t i = 0; i < names.size(); ++i) {
        tree.write("NC/" + names[i].first, "(" + std::to_string(i) + ")\r\n");
    }

    std::vector<std::string> listed;
    std::vector<bool> reached(names.size(), false);
    for (const auto& entry : platform::listDirectory("C:\\NC")) {
        const std::string path = "C:\\NC\\" + entry.name;
        listed.push_back(path);
        ASSERT_TRUE(platform::fileExists(path)) << platform::cp932ToUtf8(path);
        std::string text;
        platform::OpenFile::forReading(path).readRest(text);
        const size_t i = std::stoul(text.substr(1));
        ASSERT_LT(i, names.size());
        EXPECT_EQ(entry.name, platform::hostNameToCp932(names[i].first)) << names[i].first;
        EXPECT_FALSE(reached[i]) << names[i].first << " listed twice";
        reached[i] = true;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(reached[i], names[i].second) << names[i].first;
    }

    test::RecordingHost host;
    host.outputPath = tree.drive("OUT.NC");
    NoScreenSaver screenSaver;
    JoinRun run{host, screenSaver};
    JoinOptions options;
    options.percentMode = PercentMode::None;
    std::sort(listed.begin(), listed.end());
    std::string saveFolder = "C:";
    const JoinResult result = run.run(listed, options, saveFolder);
    EXPECT_EQ(result.joined, static_cast<int>(listed.size()));
    for (const auto& line : host.log) {
        EXPECT_NE(line.rfind("無:", 0), 0u) << line;
    }
}

}  // namespace
}  // namespace tarvelin::core
