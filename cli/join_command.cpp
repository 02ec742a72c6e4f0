#include "cli/join_command.h"

#include <getopt.h>
#include <ostream>

#include "core/list_file.h"
#include "core/paths.h"
#include "platform/codepage.h"
#include "platform/file_error.h"
#include "platform/program.h"
#include "platform/screensaver.h"

namespace tarvelin::cli {
namespace {

using platform::cp932ToUtf8;

constexpr const char* kUsage =
    "usage: tarvelin-join [options] -o OUTPUT INPUT...\n"
    "       tarvelin-join [options] -o OUTPUT --list LISTFILE\n"
    "  -o, --output PATH    the joined file (written over if it exists)\n"
    "  -l, --list PATH      take the inputs, in order, from a list file\n"
    "  -p, --percent MODE   fb | f | b | none, or 1..4 (default fb)\n"
    "  -r, --replace S=R    a replacement pair; up to three, applied in order; R may be empty\n"
    "      --front PATH     front data (default: Front.txt beside the program)\n"
    "      --end PATH       end data (default: End.txt beside the program)\n"
    "      --no-front       no front data\n"
    "      --no-end         no end data\n"
    "  -y, --yes            answer yes to the format question (default: no)\n"
    "  -q, --quiet          print no log\n"
    "  -h, --help           print this text\n";

enum LongOnly { kFront = 256, kEnd, kNoFront, kNoEnd };

// A path argument in code page 932: converted when it is UTF-8 that code page 932 can hold, else its
// bytes as they stand (a Shift-JIS file name typed or completed by the shell).
std::string pathArgument(const char* arg) {
    std::string converted;
    return platform::tryUtf8ToCp932(arg, converted) ? converted : std::string(arg);
}

std::optional<int> parsePercentMode(std::string_view mode) {
    if (mode == "fb" || mode == "1") {
        return core::OP1_FB;
    }
    if (mode == "f" || mode == "2") {
        return core::OP1_F;
    }
    if (mode == "b" || mode == "3") {
        return core::OP1_B;
    }
    if (mode == "none" || mode == "4") {
        return core::OP1_NO;
    }
    return std::nullopt;
}

bool parseReplacement(std::string_view arg, core::Replacement& pair, std::string& error) {
    const size_t eq = arg.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = "a replacement is S=R with a non-empty S: " + std::string(arg);
        return false;
    }
    if (arg.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        error = "a replacement cannot hold a line break";
        return false;
    }
    if (!platform::tryUtf8ToCp932(arg.substr(0, eq), pair.search) ||
        !platform::tryUtf8ToCp932(arg.substr(eq + 1), pair.replacement)) {
        error = "a replacement holds a character that Shift-JIS cannot hold: " + std::string(arg);
        return false;
    }
    return true;
}

// The join window's host, reduced to a terminal: the log goes to standard output, messages to standard
// error, the save dialog is the -o argument and the format question is answered by -y.
class TerminalHost final : public core::JoinHost {
public:
    TerminalHost(const JoinCommand& command, std::ostream& out, std::ostream& err)
        : command_(command), out_(out), err_(err) {}

    void clearLog() override {}
    void addLogLine(std::string_view line) override {
        if (!command_.quiet) {
            out_ << cp932ToUtf8(line) << '\n' << std::flush;
        }
    }
    void showDataText(std::string_view) override {}
    std::optional<std::string> askOutputPath(const core::SaveDialogRequest&) override { return command_.output; }
    void showStopMessage(std::string_view text) override { err_ << cp932ToUtf8(text) << '\n'; }
    bool askWarningQuestion(std::string_view text) override {
        err_ << cp932ToUtf8(text) << '\n' << (command_.answerYes ? "-> yes\n" : "-> no\n");
        return command_.answerYes;
    }
    void processPendingEvents() override {}
    void showLogPage() override {}
    void focusStartButton() override {}
    void enablePrintButton() override {}

private:
    const JoinCommand& command_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace

std::optional<JoinCommand> parseJoinCommand(int argc, char** argv, std::string& error) {
    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'},
        {"list", required_argument, nullptr, 'l'},
        {"percent", required_argument, nullptr, 'p'},
        {"replace", required_argument, nullptr, 'r'},
        {"front", required_argument, nullptr, kFront},
        {"end", required_argument, nullptr, kEnd},
        {"no-front", no_argument, nullptr, kNoFront},
        {"no-end", no_argument, nullptr, kNoEnd},
        {"yes", no_argument, nullptr, 'y'},
        {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    JoinCommand command;
    const std::string programFolder = platform::executableFolder();
    std::optional<std::string> front = core::pathInFolder(programFolder, "Front.txt");
    std::optional<std::string> end = core::pathInFolder(programFolder, "End.txt");
    size_t replacements = 0;

    optind = 0;  // a full reset, so that the parser can run more than once in a process
    opterr = 0;
    for (int c; (c = ::getopt_long(argc, argv, "o:l:p:r:yqh", longOptions, nullptr)) != -1;) {
        switch (c) {
            case 'o':
                command.output = pathArgument(optarg);
                break;
            case 'l':
                command.listFile = pathArgument(optarg);
                break;
            case 'p':
                if (const auto mode = parsePercentMode(optarg)) {
                    command.options.percentMode = *mode;
                    break;
                }
                error = std::string("unknown percent mode: ") + optarg;
                return std::nullopt;
            case 'r':
                if (replacements == command.options.replacements.size()) {
                    error = "at most three replacement pairs";
                    return std::nullopt;
                }
                if (!parseReplacement(optarg, command.options.replacements[replacements++], error)) {
                    return std::nullopt;
                }
                break;
            case kFront:
                front = pathArgument(optarg);
                break;
            case kEnd:
                end = pathArgument(optarg);
                break;
            case kNoFront:
                front.reset();
                break;
            case kNoEnd:
                end.reset();
                break;
            case 'y':
                command.answerYes = true;
                break;
            case 'q':
                command.quiet = true;
                break;
            case 'h':
                command.help = true;
                return command;
            default:
                error = std::string("unknown option or missing value: ") + argv[optind - 1];
                return std::nullopt;
        }
    }
    for (int i = optind; i < argc; ++i) {
        command.inputs.push_back(pathArgument(argv[i]));
    }
    command.options.frontFile = front.value_or("");
    command.options.endFile = end.value_or("");
    if (command.output.empty()) {
        error = "no output file (-o)";
        return std::nullopt;
    }
    if (command.listFile && !command.inputs.empty()) {
        error = "give either input files or a list file, not both";
        return std::nullopt;
    }
    if (!command.listFile && command.inputs.empty()) {
        error = "no input files";
        return std::nullopt;
    }
    return command;
}

int runJoinCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    std::string error;
    auto command = parseJoinCommand(argc, argv, error);
    if (!command) {
        err << "tarvelin-join: " << error << '\n' << kUsage;
        return 2;
    }
    if (command->help) {
        out << kUsage;
        return 0;
    }
    try {
        if (command->listFile) {
            command->inputs = core::readListFile(*command->listFile);
            command->options.listFile = *command->listFile;
        }
        TerminalHost host(*command, out, err);
        platform::NoScreenSaver screenSaver;
        core::JoinRun run(host, screenSaver);
        std::string saveFolder;
        const auto result = run.run(command->inputs, command->options, saveFolder);
        return result.outcome == core::JoinOutcome::Completed ? 0 : 1;
    } catch (const platform::FileError& e) {
        err << "tarvelin-join: " << cp932ToUtf8(e.message()) << '\n';
        return 1;
    }
}

}  // namespace tarvelin::cli
