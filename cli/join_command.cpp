#include "cli/join_command.h"

#include <getopt.h>
#include <istream>
#include <iterator>
#include <new>
#include <ostream>
#include <stdexcept>

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
    "  -l, --list PATH      take the inputs, in order, from a list file (\"-\": standard input)\n"
    "  -p, --percent MODE   fb | f | b | none, or 1..4 (default fb)\n"
    "  -r, --replace S=R    a replacement pair; up to three, applied in order; R may be empty\n"
    "      --front PATH     front data (default: the program's Front.txt)\n"
    "      --end PATH       end data (default: the program's End.txt)\n"
    "      --no-front       no front data\n"
    "      --no-end         no end data\n"
    "  -y, --yes            answer yes to the format question (default: no)\n"
    "  -q, --quiet          print no log\n"
    "  -h, --help           print this text\n"
    "  -V, --version        print the version\n"
    "The program's Front.txt and End.txt lie beside it, or for an installed copy in\n"
    "$XDG_CONFIG_HOME/tarvelin (~/.config/tarvelin).\n"
    "Exit status: 0 every listed file was joined, 3 the run completed but some listed\n"
    "files were missing, 1 the run was refused or failed, 2 a bad command line.\n";

enum LongOnly { kFront = 256, kEnd, kNoFront, kNoEnd };

bool isUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// A path argument in code page 932: converted when it is UTF-8 that code page 932 can hold, its bytes as
// they stand when it is not UTF-8 at all (a Shift-JIS file name typed or completed by the shell). A UTF-8
// name with a character that code page 932 cannot hold ("out é.NC") names no file the program can write
// or read, so it is refused rather than taken as other bytes.
bool pathArgument(const char* arg, std::string& path, std::string& error) {
    if (platform::tryUtf8ToCp932(arg, path)) {
        return true;
    }
    if (isUtf8(arg)) {
        error = std::string("a name that Shift-JIS cannot hold: '") + arg + "'";
        return false;
    }
    path = arg;
    return true;
}

// The argument that holds the short option `letter` that getopt could not use: the option cluster that
// getopt is in (argv[optind]) or has just left (argv[optind - 1]).
std::string clusterOf(int argc, char** argv, char letter) {
    const auto holds = [&](int i) {
        const std::string_view arg = i > 0 && i < argc ? argv[i] : "";
        return arg.size() > 1 && arg[0] == '-' && arg[1] != '-' && arg.find(letter) != std::string_view::npos;
    };
    return holds(optind - 1) ? argv[optind - 1] : holds(optind) ? argv[optind] : std::string("-") + letter;
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
    bool showsDataText() const override { return false; }

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
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    JoinCommand command;
    const std::string dataFolder = platform::toProgramFolder(platform::programFolders().dataFolder);
    std::optional<std::string> front = core::pathInFolder(dataFolder, "Front.txt");
    std::optional<std::string> end = core::pathInFolder(dataFolder, "End.txt");
    size_t replacements = 0;

    optind = 0;  // a full reset, so that the parser can run more than once in a process
    opterr = 0;
    for (int c; (c = ::getopt_long(argc, argv, ":o:l:p:r:yqhV", longOptions, nullptr)) != -1;) {
        switch (c) {
            case 'o':
                if (!pathArgument(optarg, command.output, error)) {
                    return std::nullopt;
                }
                break;
            case 'l':
                if (std::string_view(optarg) == "-") {
                    command.listFromInput = true;
                } else if (!pathArgument(optarg, command.listFile.emplace(), error)) {
                    return std::nullopt;
                }
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
                    error = std::string("at most three replacement pairs: ") + optarg;
                    return std::nullopt;
                }
                if (!parseReplacement(optarg, command.options.replacements[replacements++], error)) {
                    return std::nullopt;
                }
                break;
            case kFront:
                if (!pathArgument(optarg, front.emplace(), error)) {
                    return std::nullopt;
                }
                break;
            case kEnd:
                if (!pathArgument(optarg, end.emplace(), error)) {
                    return std::nullopt;
                }
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
            case 'V':
                command.version = true;
                return command;
            case ':':
                error = std::string("option requires a value: ") + argv[optind - 1];
                return std::nullopt;
            default:
                error = optopt != 0 ? "unknown option -" + std::string(1, static_cast<char>(optopt)) + " in " +
                                          clusterOf(argc, argv, static_cast<char>(optopt))
                                    : std::string("unknown option: ") + argv[optind - 1];
                return std::nullopt;
        }
    }
    for (int i = optind; i < argc; ++i) {
        if (!pathArgument(argv[i], command.inputs.emplace_back(), error)) {
            return std::nullopt;
        }
    }
    command.options.frontFile = front.value_or("");
    command.options.endFile = end.value_or("");
    if (command.output.empty()) {
        error = "no output file (-o)";
        return std::nullopt;
    }
    const bool listed = command.listFile || command.listFromInput;
    if (listed && !command.inputs.empty()) {
        error = "give either input files or a list file, not both: " + std::string(argv[optind]);
        return std::nullopt;
    }
    if (!listed && command.inputs.empty()) {
        error = "no input files";
        return std::nullopt;
    }
    return command;
}

namespace {

int runParsedCommand(JoinCommand& command, std::istream& in, std::ostream& out, std::ostream& err) {
    if (command.help) {
        out << kUsage;
        return 0;
    }
    if (command.version) {
        out << "tarvelin-join " TARVELIN_VERSION "\n";
        return 0;
    }
    try {
        if (command.listFromInput) {
            const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            if (in.bad()) {
                err << "tarvelin-join: the list could not be read from standard input\n";
                return 1;
            }
            command.inputs = core::parseListFile(bytes);
        } else if (command.listFile) {
            command.inputs = core::readListFile(*command.listFile);
            command.options.listFile = *command.listFile;  // the list being read is never the output
        }
        TerminalHost host(command, out, err);
        platform::NoScreenSaver screenSaver;
        core::JoinRun run(host, screenSaver);
        std::string saveFolder;
        const auto result = run.run(command.inputs, command.options, saveFolder);
        if (result.outcome != core::JoinOutcome::Completed) {
            return 1;
        }
        return result.joined == result.listed ? 0 : 3;
    } catch (const platform::FileError& e) {
        err << "tarvelin-join: " << cp932ToUtf8(e.message()) << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        // A line without breaks is held whole until it ends, so a one-line input of many gigabytes can
        // exhaust memory. Caught here, the run's files are put back on the way out: the earlier output stays.
        err << "tarvelin-join: not enough memory for the join\n";
        return 1;
    } catch (const std::exception& e) {  // a thread that could not start, a size out of reach
        err << "tarvelin-join: the join stopped: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace

int runJoinCommand(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err) {
    std::string error;
    auto command = parseJoinCommand(argc, argv, error);
    if (!command) {
        err << "tarvelin-join: " << error << "\nTry 'tarvelin-join --help'\n";
        return 2;
    }
    // The log's stream may fail (a closed pipe, a full disk): the run goes on to its end all the same, and
    // the failure is told afterwards, so that a script never takes a lost log for a clean run.
    const int status = runParsedCommand(*command, in, out, err);
    if (!out.flush()) {
        err << "tarvelin-join: the log could not be written to standard output\n";
        return status == 0 ? 1 : status;
    }
    return status;
}

}  // namespace tarvelin::cli
