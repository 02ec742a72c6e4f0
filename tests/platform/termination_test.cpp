#include "platform/termination.h"

#include <csignal>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_replacement.h"

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

namespace fs = std::filesystem;

size_t entriesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// A child that has half written a save of OUT.NC, then waits. `catchRequests` is how it takes termination
// requests; each time it sees one it writes a byte to `report`.
pid_t childWithAHalfWrittenSave(const test::TempTree& tree, bool windowed, int report) {
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    std::optional<TerminationRequests> requests;
    if (windowed) {
        requests = TerminationRequests::catchFromNowOn();
    } else {
        endOnTerminationRequests();
    }
    auto save = FileReplacement::prepare(tree.host("OUT.NC"));
    if (!save || !save->write(std::string(100000, 'n'))) {
        ::_exit(1);
    }
    [[maybe_unused]] ssize_t n = ::write(report, "r", 1);
    for (;;) {
        pollfd ready{requests ? requests->descriptor() : -1, POLLIN, 0};
        if (::poll(&ready, 1, -1) == 1 && requests->take()) {
            n = ::write(report, "t", 1);
        }
    }
}

TEST(Termination, EndsWithTheSignalsStatusAndLeavesNoNewFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        test::TempTree tree;
        tree.write("OUT.NC", "old");
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t child = childWithAHalfWrittenSave(tree, false, report[1]);
        char byte = 0;
        ASSERT_EQ(::read(report[0], &byte, 1), 1);
        ASSERT_EQ(entriesIn(tree.root()), 2u);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << "signal " << signal;
        EXPECT_EQ(entriesIn(tree.root()), 1u) << "signal " << signal;
        EXPECT_EQ(tree.read("OUT.NC"), "old");
        ::close(report[0]);
        ::close(report[1]);
    }
}

// The window's program is told of the first request and ends on its own; a second request ends it at once.
TEST(Termination, TheWindowedProgramIsToldFirstAndEndedByASecondRequest) {
    test::TempTree tree;
    tree.write("OUT.NC", "old");
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = childWithAHalfWrittenSave(tree, true, report[1]);
    char byte = 0;
    ASSERT_EQ(::read(report[0], &byte, 1), 1);
    ::kill(child, SIGTERM);
    ASSERT_EQ(::read(report[0], &byte, 1), 1);
    EXPECT_EQ(byte, 't');
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM);
    EXPECT_EQ(entriesIn(tree.root()), 1u);
    ::close(report[0]);
    ::close(report[1]);
}

}  // namespace
}  // namespace tarvelin::platform
