#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/join_run.h"

// tarvelin-join: the join run for scripts and CAM post-processing, without a window.
namespace tarvelin::cli {

// The command line, with every path and replacement string already in code page 932.
struct JoinCommand {
    std::string output;
    std::vector<std::string> inputs;
    std::optional<std::string> listFile;
    bool listFromInput = false;  // --list -: the list file's text comes on standard input
    core::JoinOptions options;
    bool answerYes = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments (argv[0] is the program). Returns nothing and writes the reason to `error` for a
// command line that cannot be run.
std::optional<JoinCommand> parseJoinCommand(int argc, char** argv, std::string& error);

// Which of the standard streams are terminals: lines written there quote names with control characters.
struct Terminals {
    bool out = false;
    bool err = false;
};

// Runs the command: reads a list given as "-" from `in`, prints the log lines (UTF-8) to `out` and messages
// to `err`. Returns the exit status: 0 when every listed file was joined, 4 when the join check (--check,
// --check-only) found at least one 警告 in a complete run, else 3 when the run completed with listed files
// missing (the log names them), 1 when the run is refused (the output is an input or names a
// folder, the list cannot be read or lists nothing) or fails or the log could not be written, 2 for a
// command line that cannot be run (one line naming the argument, then a pointer to --help).
int runJoinCommand(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err,
                   Terminals terminals = {});

}  // namespace tarvelin::cli
