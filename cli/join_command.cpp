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

#include "cli/terminal_text.h"
#include "tarvelin_version.h"

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
    "      --check          check the joined programs (program numbers, program ends,\n"
    "                       G90/G91, G20/G21, G41/G42 and canned cycles, M98 calls)\n"
    "      --check-only     check the inputs as they would be joined; write no file\n"
    "  -q, --quiet          print no log\n"
    "  -h, --help           print this text\n"
    "  -V, --version        print the version\n"
    "The program's Front.txt and End.txt lie beside it, or for an installed copy in\n"
    "$XDG_CONFIG_HOME/tarvelin (~/.config/tarvelin).\n"
    "Exit status: 0 every listed file was joined, 4 the check found a warning (警告),\n"
    "3 the run completed but some listed files were missing, 1 the run was refused or\n"
    "failed, 2 a bad command line.\n";

enum LongOnly { kFront = 256, kEnd, kNoFront, kNoEnd, kCheck, kCheckOnly };

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

std::optional<core::PercentMode> parsePercentMode(std::string_view mode) {
    if (mode == "fb" || mode == "1") {
        return core::PercentMode::FrontAndBack;
    }
    if (mode == "f" || mode == "2") {
        return core::PercentMode::FrontOnly;
    }
    if (mode == "b" || mode == "3") {
        return core::PercentMode::BackOnly;
    }
    if (mode == "none" || mode == "4") {
        return core::PercentMode::None;
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
    TerminalHost(const JoinCommand& command, std::ostream& out, std::ostream& err, Terminals terminals)
        : command_(command), out_(out), err_(err), terminals_(terminals) {}

    // A message of the joiner's own (UTF-8) on standard error.
    void showError(const std::string& message) {
        err_ << "tarvelin-join: " << (terminals_.err ? quotedForTerminal(message) : message) << '\n';
    }

    void clearLog() override {}
    void addLogLine(std::string_view line) override {
        if (!command_.quiet) {
            const std::string text = cp932ToUtf8(line);
            out_ << (terminals_.out ? quotedForTerminal(text) : text) << '\n' << std::flush;
        }
    }
    void showDataText(std::string_view) override {}
    std::optional<std::string> askOutputPath(const core::SaveDialogRequest&) override { return command_.output; }
    void showStopMessage(std::string_view text) override { err_ << forErrors(cp932ToUtf8(text)) << '\n'; }
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
    std::string forErrors(const std::string& text) const { return terminals_.err ? quotedForTerminal(text) : text; }

    const JoinCommand& command_;
    std::ostream& out_;
    std::ostream& err_;
    Terminals terminals_;
};

}  // namespace

namespace {

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"list", required_argument, nullptr, 'l'},
    {"percent", required_argument, nullptr, 'p'},
    {"replace", required_argument, nullptr, 'r'},
    {"front", required_argument, nullptr, kFront},
    {"end", required_argument, nullptr, kEnd},
    {"no-front", no_argument, nullptr, kNoFront},
    {"no-end", no_argument, nullptr, kNoEnd},
    {"check", no_argument, nullptr, kCheck},
    {"check-only", no_argument, nullptr, kCheckOnly},
    {"yes", no_argument, nullptr, 'y'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The command line read option by option into a JoinCommand.
class CommandLineReader {
public:
    CommandLineReader(int argc, char** argv, std::string& error) : argc_(argc), argv_(argv), error_(error) {
        const std::string dataFolder = platform::toProgramFolder(platform::programFolders().dataFolder);
        front_ = core::pathInFolder(dataFolder, "Front.txt");
        end_ = core::pathInFolder(dataFolder, "End.txt");
    }

    std::optional<JoinCommand> read() {
        optind = 0;  // a full reset, so that the parser can run more than once in a process
        opterr = 0;
        for (int c; (c = ::getopt_long(argc_, argv_, ":o:l:p:r:yqhV", kLongOptions, nullptr)) != -1;) {
            if (!take(c, optarg)) {
                return std::nullopt;
            }
            if (command_.help || command_.version) {
                return command_;
            }
        }
        for (int i = optind; i < argc_; ++i) {
            if (!pathArgument(argv_[i], command_.inputs.emplace_back(), error_)) {
                return std::nullopt;
            }
        }
        command_.options.frontFile = front_.value_or("");
        command_.options.endFile = end_.value_or("");
        return checked();
    }

private:
    bool take(int c, const char* value) {
        switch (c) {
            case 'o':
                return pathArgument(value, command_.output, error_);
            case 'l':
                if (std::string_view(value) == "-") {
                    command_.listFromInput = true;
                    return true;
                }
                return pathArgument(value, command_.listFile.emplace(), error_);
            case 'p':
                return takePercentMode(value);
            case 'r':
                return takeReplacement(value);
            case kFront:
                return pathArgument(value, front_.emplace(), error_);
            case kEnd:
                return pathArgument(value, end_.emplace(), error_);
            case kNoFront:
                front_.reset();
                return true;
            case kNoEnd:
                end_.reset();
                return true;
            default:
                return takeSwitch(c);
        }
    }

    bool takeSwitch(int c) {
        switch (c) {
            case 'y':
                command_.answerYes = true;
                return true;
            case 'q':
                command_.quiet = true;
                return true;
            case kCheck:
                command_.options.check = true;
                return true;
            case kCheckOnly:
                command_.options.checkOnly = true;
                return true;
            case 'h':
                command_.help = true;
                return true;
            case 'V':
                command_.version = true;
                return true;
            case ':':
                error_ = std::string("option requires a value: ") + argv_[optind - 1];
                return false;
            default:
                error_ = optopt != 0 ? "unknown option -" + std::string(1, static_cast<char>(optopt)) + " in " +
                                           clusterOf(argc_, argv_, static_cast<char>(optopt))
                                     : std::string("unknown option: ") + argv_[optind - 1];
                return false;
        }
    }

    bool takePercentMode(const char* value) {
        const auto mode = parsePercentMode(value);
        if (!mode) {
            error_ = std::string("unknown percent mode: ") + value;
            return false;
        }
        command_.options.percentMode = *mode;
        return true;
    }

    bool takeReplacement(const char* value) {
        if (replacements_ == command_.options.replacements.size()) {
            error_ = std::string("at most three replacement pairs: ") + value;
            return false;
        }
        return parseReplacement(value, command_.options.replacements[replacements_++], error_);
    }

    std::optional<JoinCommand> checked() {
        const bool listed = command_.listFile || command_.listFromInput;
        if (command_.output.empty() && !command_.options.checkOnly) {
            error_ = "no output file (-o)";
        } else if (listed && !command_.inputs.empty()) {
            error_ = "give either input files or a list file, not both: " + std::string(argv_[optind]);
        } else if (!listed && command_.inputs.empty()) {
            error_ = "no input files";
        } else {
            return command_;
        }
        return std::nullopt;
    }

    int argc_;
    char** argv_;
    std::string& error_;
    JoinCommand command_;
    std::optional<std::string> front_;
    std::optional<std::string> end_;
    size_t replacements_ = 0;
};

}  // namespace

std::optional<JoinCommand> parseJoinCommand(int argc, char** argv, std::string& error) {
    return CommandLineReader(argc, argv, error).read();
}

namespace {

// The list's entries, from standard input or the list file. A list that cannot be read or names no file is
// refused: a join of nothing would replace the output with two "%" lines.
std::optional<std::string> readListedInputs(JoinCommand& command, std::istream& in) {
    const std::string listName = command.listFromInput ? std::string("standard input") : cp932ToUtf8(*command.listFile);
    if (command.listFromInput) {
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (in.bad()) {
            return "the list could not be read from standard input";
        }
        command.inputs = core::parseListFile(bytes);
    } else {
        command.inputs = core::readListFile(*command.listFile);
        command.options.listFile = *command.listFile;  // the list being read is never the output
    }
    if (command.inputs.empty()) {
        return "no files listed in " + listName;
    }
    return std::nullopt;
}

bool namesAFolder(std::string_view path) {
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

int runJoin(JoinCommand& command, std::istream& in, TerminalHost& host) {
    if (!command.options.checkOnly && namesAFolder(command.output)) {
        host.showError("the output names a folder: " + cp932ToUtf8(command.output));
        return 1;
    }
    if (command.listFromInput || command.listFile) {
        if (const auto refusal = readListedInputs(command, in)) {
            host.showError(*refusal);
            return 1;
        }
    }
    platform::NoScreenSaver screenSaver;
    core::JoinRun run(host, screenSaver);
    std::string saveFolder;
    const auto result = run.run(command.inputs, command.options, saveFolder);
    if (result.outcome != core::JoinOutcome::Completed) {
        return 1;
    }
    if (result.checkWarnings > 0) {
        return 4;  // before 3: a joined program that would endanger the machine weighs more than a missing file
    }
    return result.joined == result.listed ? 0 : 3;
}

int runParsedCommand(JoinCommand& command, std::istream& in, std::ostream& out, std::ostream& err,
                     Terminals terminals) {
    if (command.help) {
        out << kUsage;
        return 0;
    }
    if (command.version) {
        out << "tarvelin-join " TARVELIN_VERSION "\n";
        return 0;
    }
    TerminalHost host(command, out, err, terminals);
    try {
        return runJoin(command, in, host);
    } catch (const platform::FileError& e) {
        host.showError(cp932ToUtf8(e.message()));
    } catch (const std::bad_alloc&) {
        // A line without breaks is held whole until it ends, so a one-line input of many gigabytes can
        // exhaust memory. Caught here, the run's files are put back on the way out: the earlier output stays.
        host.showError("not enough memory for the join");
    } catch (const std::exception& e) {  // a thread that could not start, a size out of reach
        host.showError(std::string("the join stopped: ") + e.what());
    }
    return 1;
}

}  // namespace

int runJoinCommand(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err, Terminals terminals) {
    std::string error;
    auto command = parseJoinCommand(argc, argv, error);
    if (!command) {
        err << "tarvelin-join: " << (terminals.err ? quotedForTerminal(error) : error)
            << "\nTry 'tarvelin-join --help'\n";
        return 2;
    }
    // The log's stream may fail (a closed pipe, a full disk): the run goes on to its end all the same, and
    // the failure is told afterwards, so that a script never takes a lost log for a clean run.
    const int status = runParsedCommand(*command, in, out, err, terminals);
    if (!out.flush()) {
        err << "tarvelin-join: the log could not be written to standard output\n";
        return 1;
    }
    return status;
}

}  // namespace tarvelin::cli
